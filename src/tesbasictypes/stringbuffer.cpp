#include "stringbuffer.h"

#include "bucketmemorypool.h"

void* tesStringBufferAllocate(int32_t bytes, uint32_t* usable) {
    return poolAllocate(static_cast<uint32_t>(bytes), usable);
}

void tesStringBufferFree(uint32_t usable, void* block) { poolFree(usable, block); }
