// The bucket-pool functions of a second copy of the library, built into a
// shared object of its own with every symbol hidden, as a plug-in carries it.
// Tests load it next to the host's copy in the test executable.
#pragma once

#include <cstdint>

#include "bucketmemorypool.h"
#include "hostapi/component.h"

struct BucketPoolProbe {
    void (*setManager)(ITesComponentManager* manager);
    void* (*allocate)(uint32_t size, uint32_t* usable);
    void (*free)(uint32_t size, void* block);
    bool (*ensurePool)();
    IBucketMemoryPool* (*defaultPool)();
    void (*shutdownPool)();
    BucketMemoryAllocator* (*allocator)();
};

// The one exported symbol.
inline constexpr const char* kBucketPoolProbeSymbol = "bucketPoolProbe";
extern "C" {
using BucketPoolProbeFn = const BucketPoolProbe* (*)();
}
