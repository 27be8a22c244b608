#include "bucketpoolprobe.h"

#include "servicelookup.h"

extern "C" __attribute__((visibility("default"))) const BucketPoolProbe* bucketPoolProbe() {
    static const BucketPoolProbe probe{tesSetComponentManager, poolAllocate,  poolFree,
                                       ensurePool,             defaultPool,   shutdownPool,
                                       bucketMemoryAllocator};
    return &probe;
}
