#include "bucketmemorypool.h"

#include <atomic>
#include <bit>
#include <climits>
#include <cstring>
#include <mutex>
#include <thread>
#include <utility>

#include "nelrealloc.h"
#include "queryinterface.h"
#include "servicelookup.h"
#include "tesassert.h"

namespace {

constexpr const char* kTesSourceName = "src/tesbasictypes/bucketmemorypool";
constexpr const char* kClassName = "BucketMemoryPool";
constexpr const char* kInterfaceName = "IBucketMemoryPool";
constexpr const char* kHostServiceName = "IBucketMemoryPool";
constexpr const char* kParameterCheck =
    "granularity >= 1 && linearLimit >= granularity && linearLimit / granularity <= kMaxLinearClasses && "
    "maxPooled > INT32_MIN";

constexpr int32_t kHeaderBytes = 8;
constexpr int32_t kFirstListRoom = 9;  // entries are used from index 1
constexpr int32_t kOwnAllocationsBetweenChecks = 600;
constexpr int32_t kMaxLinearClasses = 1 << 20;              // bounds the bucket table
constexpr int64_t kLargestBlock = INT32_MAX - kHeaderBytes;  // nelMalloc counts bytes in 32 bits
constexpr int kSpinsBeforeYield = 64;

// The process-wide critical section. It is recursive: poolAllocate keeps it
// while it creates, switches and calls pools that take it again, and a
// memory-exhaustion handler may allocate while a pool grows one of its lists.
// Uncontended it costs one compare-and-swap to enter and a plain store to
// leave; a waiter spins briefly, then yields.
class PoolLock {
public:
    void lock() {
        const void* self = &threadMarker;
        if (owner_.load(std::memory_order_relaxed) == self) {
            ++depth_;
            return;
        }
        for (int spins = 0;; ++spins) {
            const void* expected = nullptr;
            if (owner_.load(std::memory_order_relaxed) == nullptr &&
                owner_.compare_exchange_weak(expected, self, std::memory_order_acquire, std::memory_order_relaxed)) {
                break;
            }
            if (spins >= kSpinsBeforeYield) std::this_thread::yield();
        }
        depth_ = 1;
    }

    void unlock() {
        if (--depth_ == 0) owner_.store(nullptr, std::memory_order_release);
    }

private:
    static thread_local char threadMarker;  // its address identifies the thread

    std::atomic<const void*> owner_{nullptr};
    int depth_ = 0;  // touched by the owner only
};

thread_local char PoolLock::threadMarker = 0;

struct PoolState {
    IBucketMemoryPool* current = nullptr;  // holds one reference
    // The current pool when this copy constructed it, so its code is ours and
    // runs with the lock already held; null for a pool found through the host.
    BucketMemoryPool* local = nullptr;
    bool ownIsCurrent = false;   // current was created by this copy for itself
    int32_t ownAllocations = 0;  // since the last look for the host's pool
};

constinit PoolLock poolLock;
constinit PoolState poolState;

using PoolGuard = std::lock_guard<PoolLock>;

BucketMemoryPool* implementationOf(IBucketMemoryPool* pool) {
    return tesQuery<BucketMemoryPool>(pool, kClassName);
}

IBucketMemoryPool* lookUpHostPool() {
    void* service = nullptr;
    if (tesGetService(kHostServiceName, &service) != 1) return nullptr;
    return static_cast<IBucketMemoryPool*>(service);
}

// Takes `bytes` plus the header from the memory manager; null when the size
// cannot be requested at all.
void* newBlock(int64_t bytes, uint32_t* usable) {
    *usable = 0;
    if (bytes > kLargestBlock) return nullptr;
    void* start = nullptr;
    nelMalloc(&start, 1, static_cast<int32_t>(bytes + kHeaderBytes));
    if (start == nullptr) return nullptr;
    BucketMemoryAllocator* allocator = bucketMemoryAllocator();
    std::memcpy(start, &allocator, sizeof allocator);
    *usable = static_cast<uint32_t>(bytes);
    return static_cast<char*>(start) + kHeaderBytes;
}

void freeThroughHeader(void* block, uint32_t size) {
    char* start = static_cast<char*>(block) - kHeaderBytes;
    BucketMemoryAllocator* allocator = nullptr;
    std::memcpy(&allocator, start, sizeof allocator);
    allocator->free(start, size);
}

bool validParameters(int32_t granularity, int32_t linearLimit, int32_t maxPooled) {
    return granularity >= 1 && linearLimit >= granularity && linearLimit / granularity <= kMaxLinearClasses &&
           maxPooled != INT32_MIN;
}

// Called under the lock, like everything below that touches the state; the
// pool operations it calls take the (recursive) lock again.
IBucketMemoryPool* installOwnPool() {
    new BucketMemoryPool;  // becomes current: the state holds its reference
    poolState.ownIsCurrent = true;
    return poolState.current;
}

// Looks for the host's pool and makes it current, moving the free blocks of
// the pool that was current into it.
bool switchToHostPool() {
    IBucketMemoryPool* host = lookUpHostPool();
    if (host == nullptr) return false;
    poolState.ownIsCurrent = false;
    IBucketMemoryPool* previous = poolState.current;
    if (host == previous) return true;
    host->addRef();
    BucketMemoryPool* target = implementationOf(host);
    BucketMemoryPool* source = implementationOf(previous);
    if (target != nullptr && source != nullptr) target->absorb(*source);
    poolState.current = host;
    poolState.local = nullptr;
    if (previous != nullptr) previous->release();
    return true;
}

BucketFreeList* newFreeList() {
    BucketFreeList* list = nullptr;
    nelMalloc(list, 1);
    list->entries = nullptr;
    list->capacity = nelMalloc(list->entries, kFirstListRoom);
    list->count = 0;
    return list;
}

void deleteFreeList(BucketFreeList* list) {
    nelFree(list->entries);
    nelFree(list);
}

inline void appendEntry(BucketFreeList& list, const BucketFreeEntry& entry) {
    if (list.count + 1 >= list.capacity) {
        const auto capacity = static_cast<int32_t>(
            tesGrowCapacity(list.count + 1, list.capacity, static_cast<int32_t>(sizeof(BucketFreeEntry))));
        list.capacity = nelRealloc(list.entries, list.capacity, capacity);
    }
    list.entries[++list.count] = entry;
}

}  // namespace

BucketMemoryAllocator::~BucketMemoryAllocator() = default;

void BucketMemoryAllocator::free(void* blockStart, uint32_t) { nelFree(blockStart); }

BucketMemoryAllocator* bucketMemoryAllocator() {
    static BucketMemoryAllocator* allocator = new BucketMemoryAllocator;  // kept to process exit
    return allocator;
}

BucketMemoryPool::BucketMemoryPool(int32_t granularity, int32_t linearLimit, int32_t maxPooled) {
    const bool valid = validParameters(granularity, linearLimit, maxPooled);
    TES_ASSERT(valid, kParameterCheck);
    granularity_ = valid ? granularity : kDefaultGranularity;
    linearLimit_ = valid ? linearLimit : kDefaultLinearLimit;
    maxPooled_ = valid ? maxPooled : kDefaultMaxPooled;
    granularityShift_ = std::has_single_bit(static_cast<uint32_t>(granularity_))
                            ? std::countr_zero(static_cast<uint32_t>(granularity_))
                            : -1;
    bucketCount_ = nelMalloc(buckets_, linearLimit_ / granularity_ + 2);
    std::memset(static_cast<void*>(buckets_), 0, sizeof(BucketFreeList*) * static_cast<size_t>(bucketCount_));
    becomeCurrent();
}

BucketMemoryPool::~BucketMemoryPool() {
    PoolGuard guard(poolLock);
    purgeLists();
    nelFree(buckets_);
}

void BucketMemoryPool::queryInterface(const char* name, void** out) {
    tesAnswerQuery(name, out,
                   {kClassName, this, static_cast<ITesUnknown*>(this),
                    {{kInterfaceName, static_cast<IBucketMemoryPool*>(this)}}});
}

const char* BucketMemoryPool::className() const { return kClassName; }

bool BucketMemoryPool::purge() {
    PoolGuard guard(poolLock);
    purgeLists();
    return true;
}

void* BucketMemoryPool::allocate(uint32_t size, uint32_t* usable) {
    uint32_t ignored = 0;
    if (usable == nullptr) usable = &ignored;
    PoolGuard guard(poolLock);
    return takeBlock(size, usable);
}

// takeBlock, pushFree and the steps below them are inline: poolAllocate and
// poolFree then run each call's lookups without further calls.
inline void* BucketMemoryPool::takeBlock(uint32_t size, uint32_t* usable) {
    if (static_cast<int64_t>(size) > maxPooled_) return newBlock(size, usable);
    const SizeClass sizeClass = classOf(size);
    if (void* block = popFree(sizeClass.index, usable)) return block;
    return newBlock(sizeClass.bytes, usable);
}

bool BucketMemoryPool::deallocate(uint32_t size, void** block) {
    if (block == nullptr || *block == nullptr || size == 0) return false;
    void* taken = std::exchange(*block, nullptr);
    bool listed = false;
    {
        PoolGuard guard(poolLock);
        listed = pushFree(size, taken);
    }
    if (!listed) freeThroughHeader(taken, size);
    return true;
}

bool BucketMemoryPool::setPooling(bool on) {
    PoolGuard guard(poolLock);
    if ((maxPooled_ >= 1) != on) maxPooled_ = -maxPooled_;
    return true;
}

void BucketMemoryPool::absorb(BucketMemoryPool& source) {
    PoolGuard guard(poolLock);
    if (&source == this) return;
    if (source.granularity_ != granularity_ || source.linearLimit_ != linearLimit_) {
        source.purgeLists();
        return;
    }
    for (int32_t index = 0; index < source.bucketCount_; ++index) {
        if (BucketFreeList* list = std::exchange(source.buckets_[index], nullptr)) takeList(index, list);
    }
}

int32_t BucketMemoryPool::maxPooled() const {
    PoolGuard guard(poolLock);
    return maxPooled_;
}

int64_t BucketMemoryPool::freeBlockCount() const {
    PoolGuard guard(poolLock);
    int64_t count = 0;
    for (int32_t index = 0; index < bucketCount_; ++index) {
        if (buckets_[index] != nullptr) count += buckets_[index]->count;
    }
    return count;
}

inline BucketMemoryPool::SizeClass BucketMemoryPool::classOf(uint32_t size) const {
    if (static_cast<int64_t>(size) > linearLimit_) {
        int64_t bytes = linearLimit_;
        int32_t index = (linearLimit_ - 1) / granularity_;
        while (bytes < size) {
            bytes *= 2;
            ++index;
        }
        return {index, bytes};
    }
    const uint32_t last = size == 0 ? 0 : size - 1;
    const auto index = static_cast<int32_t>(granularityShift_ >= 0 ? last >> granularityShift_
                                                                     : last / static_cast<uint32_t>(granularity_));
    return {index, static_cast<int64_t>(index + 1) * granularity_};
}

bool BucketMemoryPool::sameParameters(const BucketMemoryPool& other) const {
    return granularity_ == other.granularity_ && linearLimit_ == other.linearLimit_ &&
           maxPooled_ == other.maxPooled_;
}

void BucketMemoryPool::becomeCurrent() {
    PoolGuard guard(poolLock);
    IBucketMemoryPool* previous = poolState.current;
    BucketMemoryPool* other = implementationOf(previous);
    if (other != nullptr && sameParameters(*other)) {
        std::swap(buckets_, other->buckets_);
        std::swap(bucketCount_, other->bucketCount_);
    }
    addRef();
    poolState.current = this;
    poolState.local = this;
    if (previous != nullptr) previous->release();
}

inline void* BucketMemoryPool::popFree(int32_t index, uint32_t* usable) {
    if (index >= bucketCount_ || buckets_[index] == nullptr) return nullptr;
    BucketFreeList& list = *buckets_[index];
    while (list.count > 0) {
        const BucketFreeEntry& entry = list.entries[list.count--];
        if (entry.block != nullptr) {
            *usable = entry.size;
            return entry.block;
        }
    }
    return nullptr;
}

inline bool BucketMemoryPool::pushFree(uint32_t size, void* block) {
    if (static_cast<int64_t>(size) > maxPooled_) return false;
    const SizeClass sizeClass = classOf(size);
    if (sizeClass.bytes != size) return false;
    appendEntry(*listAt(sizeClass.index), {size, block});
    return true;
}

inline BucketFreeList* BucketMemoryPool::listAt(int32_t index) {
    if (index >= bucketCount_) growTable(index + 1);
    if (buckets_[index] == nullptr) buckets_[index] = newFreeList();
    return buckets_[index];
}

void BucketMemoryPool::growTable(int32_t needed) {
    const auto capacity =
        static_cast<int32_t>(tesGrowCapacity(needed, bucketCount_, static_cast<int32_t>(sizeof(BucketFreeList*))));
    bucketCount_ = nelRealloc(buckets_, bucketCount_, capacity);
}

void BucketMemoryPool::takeList(int32_t index, BucketFreeList* list) {
    if (index >= bucketCount_) growTable(index + 1);
    if (buckets_[index] == nullptr) {
        buckets_[index] = list;
        return;
    }
    for (int32_t entry = 1; entry <= list->count; ++entry) appendEntry(*buckets_[index], list->entries[entry]);
    deleteFreeList(list);
}

void BucketMemoryPool::purgeLists() {
    for (int32_t index = 0; index < bucketCount_; ++index) {
        BucketFreeList* list = std::exchange(buckets_[index], nullptr);
        if (list == nullptr) continue;
        for (int32_t entry = 1; entry <= list->count; ++entry) {
            if (list->entries[entry].block != nullptr) {
                freeThroughHeader(list->entries[entry].block, list->entries[entry].size);
            }
        }
        deleteFreeList(list);
    }
}

void* poolAllocate(uint32_t size, uint32_t* usable) {
    uint32_t ignored = 0;
    if (usable == nullptr) usable = &ignored;
    PoolGuard guard(poolLock);
    if (poolState.ownIsCurrent && poolState.ownAllocations > kOwnAllocationsBetweenChecks) {
        poolState.ownAllocations = 0;
        switchToHostPool();
    }
    if (poolState.current == nullptr && !switchToHostPool()) installOwnPool();
    void* block = poolState.local != nullptr ? poolState.local->takeBlock(size, usable)
                                             : poolState.current->allocate(size, usable);
    if (poolState.ownIsCurrent) ++poolState.ownAllocations;
    return block;
}

void poolFree(uint32_t size, void* block) {
    if (block == nullptr || size == 0) return;
    PoolGuard guard(poolLock);
    if (poolState.local != nullptr) {
        if (!poolState.local->pushFree(size, block)) freeThroughHeader(block, size);
    } else if (poolState.current != nullptr) {
        poolState.current->deallocate(size, &block);
    } else {
        freeThroughHeader(block, size);
    }
}

bool ensurePool() {
    PoolGuard guard(poolLock);
    if (poolState.current != nullptr && !poolState.ownIsCurrent) return true;
    return switchToHostPool();
}

IBucketMemoryPool* defaultPool() {
    PoolGuard guard(poolLock);
    if (poolState.current != nullptr) return poolState.current;
    return installOwnPool();
}

void shutdownPool() {
    PoolGuard guard(poolLock);
    IBucketMemoryPool* previous = std::exchange(poolState.current, nullptr);
    poolState.local = nullptr;
    poolState.ownIsCurrent = false;
    poolState.ownAllocations = 0;
    if (previous == nullptr) return;
    previous->purge();
    previous->release();
}
