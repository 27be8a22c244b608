#include "bucketmemorypool.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "iptr.h"
#include "refhost.h"
#include "servicelookup.h"
#include "tesassert.h"

namespace {

constexpr uint32_t kLargestPooled = 0x40000;

// A pool of its own for one test. Creating it makes it the current pool; the
// destructor leaves a fresh default pool current for the tests that follow.
struct ScopedPool {
    explicit ScopedPool(BucketMemoryPool* created) : pool(created) {}
    ~ScopedPool() {
        pool->purge();
        pool.reset();
        new BucketMemoryPool;
    }
    BucketMemoryPool* operator->() const { return pool.get(); }
    IPtr<BucketMemoryPool> pool;
};

BucketMemoryAllocator* headerOf(void* block) {
    BucketMemoryAllocator* allocator = nullptr;
    std::memcpy(&allocator, static_cast<char*>(block) - 8, sizeof allocator);
    return allocator;
}

void freeBlock(BucketMemoryPool& pool, uint32_t usable, void* block) {
    ASSERT_TRUE(pool.deallocate(usable, &block));
    EXPECT_EQ(block, nullptr);
}

struct CapturedAssert {
    std::string expression;
    std::string source;
};

void captureAssert(void* context, const char* expression, const char* source, int) {
    *static_cast<CapturedAssert*>(context) = {expression, source};
}

}  // namespace

TEST(BucketPool, SizeClassesRoundUpAtTheirBoundaries) {
    struct Case {
        int32_t granularity, linearLimit, maxPooled;
        uint32_t request, usable;
    };
    constexpr int32_t kG = BucketMemoryPool::kDefaultGranularity;
    constexpr int32_t kL = BucketMemoryPool::kDefaultLinearLimit;
    constexpr int32_t kM = BucketMemoryPool::kDefaultMaxPooled;
    const Case cases[] = {
        {kG, kL, kM, 0, 4},
        {kG, kL, kM, 1, 4},
        {kG, kL, kM, 4, 4},
        {kG, kL, kM, 5, 8},
        {kG, kL, kM, 97, 100},
        {kG, kL, kM, 101, 104},
        {kG, kL, kM, 8192, 8192},
        {kG, kL, kM, 8193, 16384},
        {kG, kL, kM, 16385, 32768},
        {kG, kL, kM, 131073, 262144},
        {kG, kL, kM, kLargestPooled, kLargestPooled},
        {kG, kL, kM, kLargestPooled + 1, kLargestPooled + 1},  // bypasses the lists
        {16, 256, 4096, 1, 16},
        {16, 256, 4096, 17, 32},
        {16, 256, 4096, 257, 512},
        {16, 256, 4096, 4097, 4097},
        {12, 120, 1000, 13, 24},  // a granularity that is no power of two
        {12, 120, 1000, 121, 240},
    };
    for (const Case& c : cases) {
        ScopedPool pool(new BucketMemoryPool(c.granularity, c.linearLimit, c.maxPooled));
        uint32_t usable = 0;
        void* block = pool->allocate(c.request, &usable);
        ASSERT_NE(block, nullptr) << c.request;
        EXPECT_EQ(usable, c.usable) << c.granularity << "/" << c.request;
        std::memset(block, 0xA5, usable);
        freeBlock(*pool.pool, usable, block);
    }
}

TEST(BucketPool, FreedBlockServesEveryRequestOfItsClass) {
    ScopedPool pool(new BucketMemoryPool);
    uint32_t usable = 0;
    void* block = pool->allocate(100, &usable);
    freeBlock(*pool.pool, usable, block);
    for (uint32_t request = 97; request <= 100; ++request) {
        EXPECT_EQ(pool->allocate(request, &usable), block) << request;
        EXPECT_EQ(usable, 100u);
        freeBlock(*pool.pool, usable, block);
    }
    void* neighbour = pool->allocate(96, &usable);
    EXPECT_NE(neighbour, block) << "96 is the class below";
    freeBlock(*pool.pool, usable, neighbour);
    void* above = pool->allocate(101, &usable);
    EXPECT_NE(above, block) << "101 is the class above";
    freeBlock(*pool.pool, usable, above);

    void* second = pool->allocate(100, &usable);
    void* third = pool->allocate(100, &usable);
    freeBlock(*pool.pool, 100, third);
    freeBlock(*pool.pool, 100, second);
    EXPECT_EQ(pool->freeBlockCount(), 4);
    EXPECT_EQ(pool->allocate(100, &usable), second) << "the last freed comes back first";
    EXPECT_EQ(pool->allocate(100, &usable), third);
    freeBlock(*pool.pool, 100, second);
    freeBlock(*pool.pool, 100, third);
}

TEST(BucketPool, BlocksAreEightByteAlignedBehindTheAllocatorHeader) {
    ScopedPool pool(new BucketMemoryPool);
    for (uint32_t request : {1u, 3u, 12u, 100u, 8193u, 300000u}) {
        uint32_t usable = 0;
        void* block = pool->allocate(request, &usable);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u) << request;
        EXPECT_EQ(headerOf(block), bucketMemoryAllocator()) << request;
        freeBlock(*pool.pool, usable, block);
    }
}

TEST(BucketPool, DeallocateRejectsNullBlocksAndSizeZero) {
    ScopedPool pool(new BucketMemoryPool);
    void* none = nullptr;
    EXPECT_FALSE(pool->deallocate(100, &none));
    EXPECT_FALSE(pool->deallocate(100, nullptr));
    uint32_t usable = 0;
    void* block = pool->allocate(100, &usable);
    void* kept = block;
    EXPECT_FALSE(pool->deallocate(0, &kept));
    EXPECT_EQ(kept, block) << "size 0 leaves the caller's pointer";
    EXPECT_EQ(pool->freeBlockCount(), 0);
    poolFree(0, block);
    poolFree(100, nullptr);
    EXPECT_EQ(pool->freeBlockCount(), 0) << "poolFree ignores them too";
    freeBlock(*pool.pool, usable, block);
}

TEST(BucketPool, OnlyAWholeClassSizeGoesOnAFreeList) {
    ScopedPool pool(new BucketMemoryPool);
    uint32_t usable = 0;
    pool->setPooling(false);
    void* direct = pool->allocate(97, &usable);
    EXPECT_EQ(usable, 97u);
    pool->setPooling(true);
    // A 97-byte block freed as 97 must not be handed out later for 100.
    freeBlock(*pool.pool, 97, direct);
    EXPECT_EQ(pool->freeBlockCount(), 0);
}

TEST(BucketPool, PoolingOffServesAndFreesDirectlyUntilSwitchedOn) {
    ScopedPool pool(new BucketMemoryPool);
    uint32_t usable = 0;
    void* listed = pool->allocate(100, &usable);
    freeBlock(*pool.pool, usable, listed);

    EXPECT_TRUE(pool->setPooling(false));
    EXPECT_EQ(pool->maxPooled(), -static_cast<int32_t>(kLargestPooled));
    EXPECT_TRUE(pool->setPooling(false)) << "switching off twice keeps it off";
    EXPECT_EQ(pool->maxPooled(), -static_cast<int32_t>(kLargestPooled));
    void* direct = pool->allocate(97, &usable);
    EXPECT_EQ(usable, 97u);
    EXPECT_NE(direct, listed) << "the free list is not used";
    void* other = pool->allocate(100, &usable);
    freeBlock(*pool.pool, 100, other);
    EXPECT_EQ(pool->freeBlockCount(), 1) << "freed directly, not listed";
    freeBlock(*pool.pool, 97, direct);

    EXPECT_TRUE(pool->setPooling(true));
    EXPECT_EQ(pool->maxPooled(), static_cast<int32_t>(kLargestPooled));
    EXPECT_EQ(pool->allocate(97, &usable), listed);
    EXPECT_EQ(usable, 100u);
    freeBlock(*pool.pool, usable, listed);
}

TEST(BucketPool, NewPoolWithEqualParametersInheritsTheFreeBlocks) {
    ScopedPool first(new BucketMemoryPool);
    uint32_t usable = 0;
    void* block = first->allocate(100, &usable);
    freeBlock(*first.pool, usable, block);

    ScopedPool second(new BucketMemoryPool);
    EXPECT_EQ(defaultPool(), static_cast<IBucketMemoryPool*>(second.pool.get()));
    EXPECT_EQ(first->freeBlockCount(), 0);
    EXPECT_EQ(second->allocate(100, &usable), block);
    freeBlock(*second.pool, usable, block);

    struct Parameters {
        int32_t granularity, linearLimit, maxPooled;
    };
    for (const Parameters& other : {Parameters{8, 8192, 0x40000}, Parameters{4, 4096, 0x40000},
                                    Parameters{4, 8192, 0x10000}, Parameters{4, 8192, -0x40000}}) {
        ScopedPool third(new BucketMemoryPool(other.granularity, other.linearLimit, other.maxPooled));
        EXPECT_EQ(third->freeBlockCount(), 0) << other.granularity << " " << other.linearLimit << " " << other.maxPooled;
        EXPECT_EQ(second->freeBlockCount(), 1) << "the replaced pool keeps its blocks";
    }
    second->purge();
}

TEST(BucketPool, BadParametersAreReportedAndReplacedByDefaults) {
    CapturedAssert captured;
    tesSetAssertHook(captureAssert, &captured);
    struct Parameters {
        int32_t granularity, linearLimit, maxPooled;
    };
    for (const Parameters& bad : {Parameters{0, 8192, 100}, Parameters{-4, 8192, 100}, Parameters{64, 32, 100},
                                  Parameters{1, 1 << 30, 100}, Parameters{4, 8192, INT32_MIN}}) {
        captured = {};
        ScopedPool pool(new BucketMemoryPool(bad.granularity, bad.linearLimit, bad.maxPooled));
        EXPECT_EQ(captured.source, "src/tesbasictypes/bucketmemorypool") << bad.granularity << " " << bad.linearLimit;
        EXPECT_FALSE(captured.expression.empty());
        EXPECT_EQ(pool->granularity(), BucketMemoryPool::kDefaultGranularity);
        EXPECT_EQ(pool->linearLimit(), BucketMemoryPool::kDefaultLinearLimit);
        EXPECT_EQ(pool->maxPooled(), BucketMemoryPool::kDefaultMaxPooled);
    }
    tesSetAssertHook(nullptr, nullptr);
}

TEST(BucketPool, RequestTooLargeForAnyBlockGivesNull) {
    ScopedPool pool(new BucketMemoryPool);
    for (uint32_t request : {0x7FFFFFF8u, 0x80000000u, 0xFFFFFFFFu}) {
        uint32_t usable = 1;
        EXPECT_EQ(pool->allocate(request, &usable), nullptr) << request;
        EXPECT_EQ(usable, 0u);
    }
}

TEST(BucketPool, PurgeEmptiesEveryFreeList) {
    ScopedPool pool(new BucketMemoryPool);
    std::vector<std::pair<void*, uint32_t>> blocks;
    for (uint32_t request : {4u, 100u, 100u, 8192u, 9000u, 262144u}) {
        uint32_t usable = 0;
        void* block = pool->allocate(request, &usable);
        blocks.emplace_back(block, usable);
    }
    for (auto& [block, usable] : blocks) freeBlock(*pool.pool, usable, block);
    EXPECT_EQ(pool->freeBlockCount(), 6);
    EXPECT_TRUE(pool->purge());
    EXPECT_EQ(pool->freeBlockCount(), 0);
    EXPECT_TRUE(pool->purge());
}

TEST(BucketPool, AnswersQueriesForItsNames) {
    ScopedPool pool(new BucketMemoryPool);
    ITesUnknown* root = static_cast<ITesUnknown*>(pool.pool.get());
    EXPECT_EQ(tesQuery<BucketMemoryPool>(root, "BucketMemoryPool"), pool.pool.get());
    EXPECT_EQ(tesQuery<IBucketMemoryPool>(root, "IBucketMemoryPool"),
              static_cast<IBucketMemoryPool*>(pool.pool.get()));
    EXPECT_EQ(tesQuery<ITesUnknown>(root, "ITesUnknown"), root);
    EXPECT_EQ(tesQuery<ITesUnknown>(root, "IBucketMemoryPoolX"), nullptr);
    EXPECT_STREQ(pool->className(), "BucketMemoryPool");
}

TEST(BucketPool, BlocksStayFreeableThroughTheirHeaderAfterShutdown) {
    uint32_t smallUsable = 0;
    uint32_t bigUsable = 0;
    void* small = poolAllocate(24, &smallUsable);
    void* big = poolAllocate(kLargestPooled + 100, &bigUsable);
    void* spare = poolAllocate(24, nullptr);
    poolFree(smallUsable, spare);
    IPtr<IBucketMemoryPool> previous(defaultPool());

    shutdownPool();
    poolFree(smallUsable, small);
    poolFree(bigUsable, big);
    BucketMemoryPool* was = tesQuery<BucketMemoryPool>(previous.get(), "BucketMemoryPool");
    ASSERT_NE(was, nullptr);
    EXPECT_EQ(was->freeBlockCount(), 0) << "purged by shutdown, nothing freed into it since";
    previous.reset();

    void* again = poolAllocate(24, &smallUsable);
    EXPECT_NE(defaultPool(), nullptr) << "the next allocation makes a pool again";
    poolFree(smallUsable, again);
}

TEST(BucketPool, DefaultPoolIsTheCurrentPool) {
    IBucketMemoryPool* current = defaultPool();
    ASSERT_NE(current, nullptr);
    EXPECT_EQ(defaultPool(), current);
    uint32_t usable = 0;
    void* block = poolAllocate(60, &usable);
    EXPECT_EQ(usable, 60u);
    poolFree(usable, block);
    EXPECT_EQ(current->allocate(60, &usable), block) << "poolFree gave it to the current pool";
    poolFree(usable, block);
}

TEST(BucketPool, UsesThePoolTheHostOffers) {
    RefHost host;
    host.offerBucketPool();
    shutdownPool();  // the host's pool was current as this copy made it; now it must be found
    tesSetComponentManager(&host.manager());
    uint32_t usable = 0;
    void* block = poolAllocate(100, &usable);
    EXPECT_EQ(defaultPool(), static_cast<IBucketMemoryPool*>(host.bucketPool()));
    EXPECT_TRUE(ensurePool());
    poolFree(usable, block);
    EXPECT_EQ(host.bucketPool()->freeBlockCount(), 1);
    EXPECT_EQ(host.bucketPool()->allocate(100, &usable), block);
    host.bucketPool()->deallocate(usable, &block);
    shutdownPool();
    tesSetComponentManager(nullptr);
}

namespace {

// Four threads allocate and free through the current pool with a fixed seed.
// Every live block is recorded by address range: no block may be handed out
// while another live block overlaps it, and each block keeps the bytes its
// owner wrote until it is freed.
void expectNoSharedBlocksAcrossThreads() {
    constexpr int kThreads = 4;
    constexpr int kSteps = 40000;
    std::mutex liveMutex;
    std::map<uintptr_t, uintptr_t> live;  // start -> end
    std::vector<std::string> errors;

    auto track = [&](void* block, uint32_t usable) {
        const auto start = reinterpret_cast<uintptr_t>(block);
        std::lock_guard guard(liveMutex);
        auto next = live.lower_bound(start);
        const bool overlapsNext = next != live.end() && next->first < start + usable;
        const bool overlapsPrevious = next != live.begin() && std::prev(next)->second > start;
        if (overlapsNext || overlapsPrevious) errors.push_back("block handed out twice");
        live[start] = start + usable;
    };
    auto untrack = [&](void* block) {
        std::lock_guard guard(liveMutex);
        live.erase(reinterpret_cast<uintptr_t>(block));
    };

    auto worker = [&](int thread) {
        std::mt19937 random(1234u + static_cast<unsigned>(thread));
        struct Held {
            unsigned char* block;
            uint32_t usable;
            unsigned char fill;
        };
        std::vector<Held> held;
        for (int step = 0; step < kSteps; ++step) {
            const bool allocate = held.empty() || (held.size() < 200 && random() % 3 != 0);
            if (allocate) {
                const uint32_t pick = random() % 100;
                const uint32_t size = pick < 90 ? 1 + random() % 300 : pick < 98 ? 8000 + random() % 2000 : 300000;
                uint32_t usable = 0;
                auto* block = static_cast<unsigned char*>(poolAllocate(size, &usable));
                const auto fill = static_cast<unsigned char>(thread * 64 + step % 61);
                track(block, usable);
                std::memset(block, fill, usable);
                held.push_back({block, usable, fill});
                continue;
            }
            const size_t index = random() % held.size();
            const Held item = held[index];
            held[index] = held.back();
            held.pop_back();
            for (uint32_t i = 0; i < item.usable; ++i) {
                if (item.block[i] != item.fill) {
                    std::lock_guard guard(liveMutex);
                    errors.push_back("contents clobbered");
                    break;
                }
            }
            untrack(item.block);
            poolFree(item.usable, item.block);
        }
        for (const Held& item : held) {
            untrack(item.block);
            poolFree(item.usable, item.block);
        }
    };

    std::vector<std::thread> threads;
    for (int thread = 0; thread < kThreads; ++thread) threads.emplace_back(worker, thread);
    for (std::thread& thread : threads) thread.join();
    EXPECT_TRUE(errors.empty()) << errors.size() << " errors, first: " << errors.front();
    EXPECT_TRUE(live.empty());
}

}  // namespace

TEST(BucketPoolThreads, OwnPoolHandsNoBlockOutTwice) {
    shutdownPool();
    defaultPool();
    expectNoSharedBlocksAcrossThreads();
}

TEST(BucketPoolThreads, HostPoolHandsNoBlockOutTwice) {
    RefHost host;
    host.offerBucketPool();
    shutdownPool();
    tesSetComponentManager(&host.manager());
    ASSERT_TRUE(ensurePool());
    expectNoSharedBlocksAcrossThreads();
    shutdownPool();
    tesSetComponentManager(nullptr);
}
