#include "stringbuffer.h"

#include "nelrealloc.h"

void* tesStringBufferAllocate(int32_t bytes, uint32_t* usable) {
    void* block = nullptr;
    nelMalloc(&block, 1, bytes);
    *usable = static_cast<uint32_t>(bytes);
    return block;
}

void tesStringBufferFree(uint32_t /*usable*/, void* block) { nelFree(block); }
