// The switch of a component's copy of the library (the probe) from its own
// pool to the pool the host offers, each scenario in a fresh process.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "bucketpoolprobe.h"
#include "freshprocess.h"
#include "os/sharedlibrary.h"
#include "refhost.h"

namespace {

constexpr uint32_t kSmall = 8;

// Runs `scenario` in a child process in which neither copy of the library has
// a pool yet, against a host that offers none until the scenario says so.
void expectInFreshProcess(void (*scenario)(const BucketPoolProbe&, RefHost&)) {
    EXPECT_IN_FRESH_PROCESS([scenario] {
        TesSharedLibrary library = tesLoadLibrary(BUCKETPOOL_PROBE_PATH);
        auto entry = reinterpret_cast<BucketPoolProbeFn>(tesFindSymbol(library, kBucketPoolProbeSymbol));
        ASSERT_NE(entry, nullptr) << "cannot load " << BUCKETPOOL_PROBE_PATH;
        RefHostOptions options;
        options.bucketPool = false;
        RefHost host(options);
        entry()->setManager(&host.manager());
        scenario(*entry(), host);
    });
}

// `count` small allocations through the probe, kept in `blocks`.
void allocateSmall(const BucketPoolProbe& probe, int count, std::vector<void*>& blocks) {
    for (int i = 0; i < count; ++i) blocks.push_back(probe.allocate(kSmall, nullptr));
}

}  // namespace

// The first allocation looks for the host's pool; while the own pool is
// current, every 601st allocation after a look looks again. Free blocks move
// over: appended to a bucket the host has, a bucket it lacks taken over whole.
TEST(BucketPoolSwitch, LooksAgainAfterEvery601OwnAllocationsAndMovesTheFreeBlocks) {
    expectInFreshProcess([](const BucketPoolProbe& probe, RefHost& host) {
        uint32_t usable = 0;
        void* own100 = probe.allocate(100, &usable);
        void* own200 = probe.allocate(200, &usable);
        IBucketMemoryPool* own = probe.defaultPool();
        ASSERT_NE(probe.allocator(), bucketMemoryAllocator()) << "the probe carries a copy of its own";
        BucketMemoryAllocator* header = nullptr;
        std::memcpy(&header, static_cast<char*>(own100) - 8, sizeof header);
        EXPECT_EQ(header, probe.allocator());
        probe.free(100, own100);
        probe.free(200, own200);
        const int64_t lookups = host.manager().serviceLookups();
        std::vector<void*> blocks;
        allocateSmall(probe, 599, blocks);
        EXPECT_EQ(host.manager().serviceLookups(), lookups) << "no look within the first 601";
        allocateSmall(probe, 1, blocks);
        EXPECT_EQ(host.manager().serviceLookups(), lookups + 1);
        EXPECT_EQ(probe.defaultPool(), own);

        host.offerBucketPool();  // also the current pool of the test's own copy
        BucketMemoryPool* hostPool = host.bucketPool();
        void* host100 = poolAllocate(100, nullptr);
        poolFree(100, host100);
        allocateSmall(probe, 600, blocks);
        EXPECT_EQ(probe.defaultPool(), own) << "the count restarted at the failed look";
        allocateSmall(probe, 1, blocks);
        EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(hostPool));
        EXPECT_EQ(hostPool->allocate(100, &usable), own100);
        EXPECT_EQ(hostPool->allocate(100, &usable), host100);
        EXPECT_EQ(hostPool->allocate(200, &usable), own200);
        EXPECT_EQ(usable, 200u);
        poolFree(100, own100);
        poolFree(100, host100);
        poolFree(200, own200);
        for (void* block : blocks) probe.free(kSmall, block);
    });
}

// ensurePool switches at once; after shutdown every block, whichever copy made
// it, is freed through its header instead of going into a pool.
TEST(BucketPoolSwitch, EnsurePoolSwitchesAtOnceAndShutdownLeavesNoPool) {
    expectInFreshProcess([](const BucketPoolProbe& probe, RefHost& host) {
        EXPECT_FALSE(probe.ensurePool()) << "no pool anywhere";
        uint32_t ownUsable = 0;
        void* ownBlock = probe.allocate(100, &ownUsable);
        probe.free(ownUsable, ownBlock);
        EXPECT_FALSE(probe.ensurePool()) << "own pool, the host offers none";
        host.offerBucketPool();
        EXPECT_TRUE(probe.ensurePool());
        EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(host.bucketPool()));
        EXPECT_EQ(host.bucketPool()->freeBlockCount(), 1);
        const int64_t lookups = host.manager().serviceLookups();
        EXPECT_TRUE(probe.ensurePool());
        EXPECT_EQ(host.manager().serviceLookups(), lookups) << "a host pool is current: no look";
        EXPECT_EQ(probe.allocate(100, &ownUsable), ownBlock);

        uint32_t smallUsable = 0;
        uint32_t bigUsable = 0;
        void* small = probe.allocate(30, &smallUsable);
        void* big = probe.allocate(300000, &bigUsable);  // bypasses the lists
        probe.free(64, probe.allocate(64, nullptr));
        probe.shutdownPool();
        EXPECT_EQ(host.bucketPool()->freeBlockCount(), 0) << "shutdown purges the current pool";
        probe.free(ownUsable, ownBlock);
        probe.free(smallUsable, small);
        probe.free(bigUsable, big);
        EXPECT_EQ(host.bucketPool()->freeBlockCount(), 0) << "freed through headers, not into a pool";
    });
}
