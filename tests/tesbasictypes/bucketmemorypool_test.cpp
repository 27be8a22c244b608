#include "bucketmemorypool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "assertreports.h"
#include "iptr.h"

namespace {

constexpr uint32_t kLargestPooled = 0x40000;

struct Parameters {
    int32_t granularity = BucketMemoryPool::kDefaultGranularity;
    int32_t linearLimit = BucketMemoryPool::kDefaultLinearLimit;
    int32_t maxPooled = BucketMemoryPool::kDefaultMaxPooled;
};

std::ostream& operator<<(std::ostream& out, const Parameters& p) {
    return out << p.granularity << " / " << p.linearLimit << " / " << p.maxPooled;
}

// A pool of its own for one test, current while it lives; a fresh default
// pool is current afterwards.
struct ScopedPool {
    explicit ScopedPool(Parameters p = {}) : pool(new BucketMemoryPool(p.granularity, p.linearLimit, p.maxPooled)) {}
    ~ScopedPool() {
        pool->purge();
        pool.reset();
        new BucketMemoryPool;
    }
    BucketMemoryPool* operator->() const { return pool.get(); }
    // Writes every usable byte; the pool must then take the block and clear the caller's pointer.
    void give(uint32_t usable, void* block) const {
        std::memset(block, 0xA5, usable);
        EXPECT_TRUE(pool->deallocate(usable, &block));
        EXPECT_EQ(block, nullptr);
    }
    IPtr<BucketMemoryPool> pool;
};

}  // namespace

TEST(BucketPool, SizeClassesRoundUpAndBlocksAreEightByteAligned) {
    const Parameters kSmall{16, 256, 4096};
    const Parameters kTwelve{12, 120, 1000};  // a granularity that is no power of two
    const struct {
        Parameters pool;
        uint32_t request, usable;  // usable 0: no block
    } rows[] = {
        {{}, 0, 4},        {{}, 5, 8},           {{}, 8192, 8192},    {{}, 8193, 16384},
        {{}, kLargestPooled, kLargestPooled},
        {{}, kLargestPooled + 1, kLargestPooled + 1},  // bypasses the lists
        {{}, 0x7FFFFFF8, 0}, {{}, 0xFFFFFFFF, 0},      // too large for any block
        {kSmall, 17, 32},  {kSmall, 257, 512},   {kSmall, 4097, 4097}, {kTwelve, 13, 24}, {kTwelve, 121, 240},
    };
    for (const auto& row : rows) {
        ScopedPool pool(row.pool);
        uint32_t usable = 1;
        void* block = pool->allocate(row.request, &usable);
        EXPECT_EQ(usable, row.usable) << row.pool << ": " << row.request;
        EXPECT_EQ(block == nullptr, row.usable == 0) << row.pool << ": " << row.request;
        EXPECT_EQ(reinterpret_cast<uintptr_t>(block) % 8, 0u);
        if (block != nullptr) pool.give(usable, block);
    }
}

TEST(BucketPool, FreedBlocksServeTheirWholeClassLastFreedFirstUntilPurged) {
    ScopedPool pool;
    uint32_t usable = 0;
    void* first = pool->allocate(100, &usable);
    void* second = pool->allocate(100, &usable);
    void* doubled = pool->allocate(9000, &usable);
    pool.give(100, first);
    pool.give(100, second);
    EXPECT_EQ(pool->allocate(97, &usable), second) << "97 is in the class of 100";
    EXPECT_EQ(usable, 100u);
    EXPECT_EQ(pool->allocate(100, &usable), first);
    pool.give(100, first);
    pool.give(100, second);
    pool.give(16384, doubled);
    EXPECT_EQ(pool->freeBlockCount(), 3);
    EXPECT_TRUE(pool->purge());
    EXPECT_EQ(pool->freeBlockCount(), 0);
}

TEST(BucketPool, NullBlocksAndSizeZeroAreRefused) {
    ScopedPool pool;
    void* block = nullptr;
    EXPECT_FALSE(pool->deallocate(100, &block) || pool->deallocate(100, nullptr));
    block = pool->allocate(100, nullptr);
    void* kept = block;
    EXPECT_FALSE(pool->deallocate(0, &kept));
    EXPECT_EQ(kept, block) << "size 0 leaves the caller's pointer";
    poolFree(0, block);
    poolFree(100, nullptr);
    EXPECT_EQ(pool->freeBlockCount(), 0);
    pool.give(100, block);
}

TEST(BucketPool, PoolingOffServesExactSizesAndOnlyWholeClassSizesAreListed) {
    ScopedPool pool;
    uint32_t usable = 0;
    void* listed = pool->allocate(100, &usable);
    pool.give(usable, listed);
    for (int i = 0; i < 2; ++i) EXPECT_TRUE(pool->setPooling(false)) << "switching off twice keeps it off";
    EXPECT_EQ(pool->maxPooled(), -static_cast<int32_t>(kLargestPooled));
    void* direct = pool->allocate(97, &usable);
    EXPECT_EQ(usable, 97u);
    EXPECT_NE(direct, listed) << "the free list is not used";
    pool.give(100, pool->allocate(100, nullptr));
    EXPECT_EQ(pool->freeBlockCount(), 1) << "freed directly, not listed";
    EXPECT_TRUE(pool->setPooling(true));
    EXPECT_EQ(pool->maxPooled(), static_cast<int32_t>(kLargestPooled));
    pool.give(97, direct);
    EXPECT_EQ(pool->freeBlockCount(), 1) << "a 97-byte block must never serve a request for 100";
    EXPECT_EQ(pool->allocate(97, &usable), listed);
    pool.give(usable, listed);
}

TEST(BucketPool, NewPoolInheritsTheFreeBlocksOnlyWithEqualParameters) {
    ScopedPool first;
    void* block = first->allocate(100, nullptr);
    first.give(100, block);
    ScopedPool second;
    EXPECT_EQ(defaultPool(), static_cast<IBucketMemoryPool*>(second.pool.get()));
    EXPECT_EQ(first->freeBlockCount(), 0);
    EXPECT_EQ(second->allocate(100, nullptr), block);
    second.give(100, block);
    for (const Parameters& other : {Parameters{8}, Parameters{4, 4096}, Parameters{4, 8192, 0x10000},
                                    Parameters{4, 8192, -0x40000}}) {
        ScopedPool third(other);
        EXPECT_EQ(third->freeBlockCount(), 0) << other;
        EXPECT_EQ(second->freeBlockCount(), 1) << "the replaced pool keeps its blocks";
    }
}

TEST(BucketPool, BadParametersAreReportedAndReplacedByDefaults) {
    for (const Parameters& bad :
         {Parameters{0}, Parameters{64, 32}, Parameters{1, 1 << 30}, Parameters{4, 8192, INT32_MIN}}) {
        AssertReports asserts;
        ScopedPool pool(bad);
        ASSERT_EQ(asserts.texts.size(), 1u) << bad;
        EXPECT_TRUE(asserts.texts[0].ends_with(" @ src/tesbasictypes/bucketmemorypool")) << asserts.texts[0];
        EXPECT_EQ(pool->granularity(), BucketMemoryPool::kDefaultGranularity);
        EXPECT_EQ(pool->linearLimit(), BucketMemoryPool::kDefaultLinearLimit);
        EXPECT_EQ(pool->maxPooled(), BucketMemoryPool::kDefaultMaxPooled);
    }
}

// Four threads allocate and free through one pool with fixed seeds; each block
// must keep its owner's bytes until freed.
TEST(BucketPoolThreads, NoBlockIsHandedOutTwice) {
    struct Held {
        unsigned char* block;
        uint32_t usable;
        unsigned char fill;
    };
    ScopedPool pool;
    std::atomic<int> clobbered{0};
    auto worker = [&](unsigned thread) {
        std::mt19937 random(1234u + thread);
        std::vector<Held> held;
        auto release = [&](const Held& item) {
            clobbered += std::count(item.block, item.block + item.usable, item.fill) != item.usable;
            poolFree(item.usable, item.block);
        };
        for (int step = 0; step < 40000; ++step) {
            if (!held.empty() && (held.size() >= 200 || random() % 3 == 0)) {
                std::swap(held[random() % held.size()], held.back());
                release(held.back());
                held.pop_back();
                continue;
            }
            const uint32_t pick = random() % 100;
            const uint32_t size = pick < 90 ? 1 + random() % 300 : pick < 98 ? 8000 + random() % 2000 : 300000;
            Held item{nullptr, 0, static_cast<unsigned char>(thread * 64 + step % 61)};
            item.block = static_cast<unsigned char*>(poolAllocate(size, &item.usable));
            std::memset(item.block, item.fill, item.usable);
            held.push_back(item);
        }
        for (const Held& item : held) release(item);
    };
    std::vector<std::jthread> threads;
    for (unsigned thread = 0; thread < 4; ++thread) threads.emplace_back(worker, thread);
    threads.clear();
    EXPECT_EQ(clobbered, 0);
    EXPECT_GT(pool->freeBlockCount(), 0) << "the blocks went through the pool";
}
