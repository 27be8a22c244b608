// The bucket memory pool: small blocks are recycled through size-class free
// lists instead of going back to the memory manager. Each copy of the library
// (the host's, every component's) has one current pool. A component starts
// with a pool of its own and moves to the host's "IBucketMemoryPool" once the
// host offers it. Every block starts with an 8-byte header that holds the
// address of the allocator able to free it, so a block can be freed whichever
// pool is current, or when none is. Blocks are 8-byte aligned, not 16.
//
// One process-wide recursive lock per copy of the library guards the pools
// that copy runs, its current-pool state and the switch between pools. A
// component holds its lock while it calls the host's pool, which takes the
// host copy's lock; no call goes the other way under a lock (the allocator's
// free takes none), so the two locks never wait on each other.
#pragma once

#include <cstdint>

#include "hostapi/infrastructure.h"

// Frees the blocks that the pools of one copy of the library take from the
// memory manager. Its address is the header of every block they hand out.
class BucketMemoryAllocator {
public:
    virtual ~BucketMemoryAllocator();
    // Frees a block from its start (the header); `size` is its usable size.
    // Takes no lock: a host pool frees component blocks through this while it
    // holds its own lock, and the system free needs none.
    virtual void free(void* blockStart, uint32_t size);
};

// The allocator of this copy of the library; lives to process exit.
BucketMemoryAllocator* bucketMemoryAllocator();

// One free block of a bucket.
struct BucketFreeEntry {
    uint32_t size;  // usable bytes
    void* block;    // the address callers see, after the header
};

// The free blocks of one size class, a stack: entries [1, count] are in use.
struct BucketFreeList {
    BucketFreeEntry* entries;
    int32_t count;
    int32_t capacity;
};

// Size classes: requests up to linearLimit are rounded up to a multiple of
// granularity, larger ones up to maxPooled to linearLimit times a power of
// two; larger requests bypass the lists. With the defaults: 4, 8, ... 8192,
// then 16384 ... 262144.
//
// Host and component compile this same class and reach each other's pools
// through it, so its fields are part of the contract between them.
class BucketMemoryPool : public IBucketMemoryPool {
public:
    static constexpr int32_t kDefaultGranularity = 4;
    static constexpr int32_t kDefaultLinearLimit = 8192;
    static constexpr int32_t kDefaultMaxPooled = 0x40000;

    // The new pool becomes the current pool of this copy. It inherits the free
    // blocks of the pool that was current when all three parameters are equal,
    // and the reference the current-pool state held on that pool is released
    // either way. Parameters out of
    // range (granularity < 1, linearLimit < granularity, more than 2^20 linear
    // classes, maxPooled = INT32_MIN) are reported and replaced by the defaults.
    explicit BucketMemoryPool(int32_t granularity = kDefaultGranularity,
                              int32_t linearLimit = kDefaultLinearLimit,
                              int32_t maxPooled = kDefaultMaxPooled);
    ~BucketMemoryPool() override;

    void queryInterface(const char* name, void** out) override;
    const char* className() const override;

    bool purge() override;
    void* allocate(uint32_t size, uint32_t* usable) override;
    // A block is kept for reuse only when `size` is a whole size class of this
    // pool (the usable size it reported); any other size is freed at once,
    // since the block may be smaller than the class.
    bool deallocate(uint32_t size, void** block) override;
    bool setPooling(bool on) override;

    // Moves every free block of `source` into this pool: entries are appended
    // bucket by bucket, and a bucket this pool lacks is taken over whole. When
    // the size classes differ, the source's blocks are freed instead.
    void absorb(BucketMemoryPool& source);

    int32_t granularity() const { return granularity_; }
    int32_t linearLimit() const { return linearLimit_; }
    // Negative while pooling is off.
    int32_t maxPooled() const;
    // Blocks waiting on the free lists.
    int64_t freeBlockCount() const;

private:
    struct SizeClass {
        int32_t index;
        int64_t bytes;
    };

    // poolAllocate and poolFree call the two below directly, under the lock
    // they hold, when the current pool was made by this copy.
    friend void* poolAllocate(uint32_t size, uint32_t* usable);
    friend void poolFree(uint32_t size, void* block);
    void* takeBlock(uint32_t size, uint32_t* usable);
    // False when the block is to be freed directly instead.
    bool pushFree(uint32_t size, void* block);

    SizeClass classOf(uint32_t size) const;
    bool sameParameters(const BucketMemoryPool& other) const;
    void becomeCurrent();
    void* popFree(int32_t index, uint32_t* usable);
    BucketFreeList* listAt(int32_t index);
    void growTable(int32_t needed);
    void takeList(int32_t index, BucketFreeList* list);
    void purgeLists();

    BucketFreeList** buckets_ = nullptr;  // by bucket index; null until a block is freed
    int32_t bucketCount_ = 0;
    int32_t granularity_;
    int32_t granularityShift_;  // log2 of a power-of-two granularity, else -1
    int32_t linearLimit_;
    int32_t maxPooled_;
};

// A block of at least `size` bytes from the current pool; *usable (may be
// null) receives its usable size, which is the size to free it with. The first
// call makes the host's pool current, or a pool of this copy when the host
// offers none; while that own pool is current, the host is asked again after
// every 600 allocations. Null only for a request above 2^31 - 9 bytes.
void* poolAllocate(uint32_t size, uint32_t* usable);

// Gives `block` back to the current pool, or frees it through its header when
// there is none. Does nothing for a null block or size 0.
void poolFree(uint32_t size, void* block);

// True when a pool other than this copy's own is current, or when the host
// offers one now: it becomes current and takes over the own pool's free
// blocks. False when the host offers none.
bool ensurePool();

// The current pool; a pool of this copy with the default parameters when there
// is none. No reference is added.
IBucketMemoryPool* defaultPool();

// Purges the current pool and drops it. Blocks still in use can be freed
// afterwards through poolFree.
void shutdownPool();
