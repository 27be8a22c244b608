// The switch of a component's copy of the library (the probe) from its own
// pool to the pool the host offers, each scenario in a fresh process.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "bucketpoolprobe.h"
#include "freshprocess.h"
#include "os/sharedlibrary.h"
#include "refhost.h"

namespace {

constexpr int kAllocationsBeforeCheck = 601;  // the 602nd looks for the host's pool
constexpr uint32_t kSmall = 8;
constexpr uint32_t kBypassing = 300000;

const BucketPoolProbe* loadProbe() {
    TesSharedLibrary library = tesLoadLibrary(BUCKETPOOL_PROBE_PATH);
    auto entry = reinterpret_cast<BucketPoolProbeFn>(tesFindSymbol(library, kBucketPoolProbeSymbol));
    return entry != nullptr ? entry() : nullptr;
}

BucketMemoryAllocator* headerOf(void* block) {
    BucketMemoryAllocator* allocator = nullptr;
    std::memcpy(&allocator, static_cast<char*>(block) - 8, sizeof allocator);
    return allocator;
}

using Scenario = void (*)(const BucketPoolProbe&);

// Both copies of the library start without a pool in the child process.
void expectInFreshProcess(Scenario scenario) {
    EXPECT_IN_FRESH_PROCESS([scenario] {
        const BucketPoolProbe* probe = loadProbe();
        ASSERT_NE(probe, nullptr) << "cannot load " << BUCKETPOOL_PROBE_PATH;
        scenario(*probe);
    });
}

RefHostOptions withoutPool() {
    RefHostOptions options;
    options.bucketPool = false;
    return options;
}

std::vector<void*> allocateSmall(const BucketPoolProbe& probe, int count) {
    std::vector<void*> blocks;
    uint32_t usable = 0;
    for (int i = 0; i < count; ++i) blocks.push_back(probe.allocate(kSmall, &usable));
    return blocks;
}

void freeSmall(const BucketPoolProbe& probe, const std::vector<void*>& blocks) {
    for (void* block : blocks) probe.free(kSmall, block);
}

void switchesAfterMoreThan600Allocations(const BucketPoolProbe& probe) {
    RefHost host(withoutPool());
    probe.setManager(&host.manager());
    uint32_t usable = 0;
    void* own100 = probe.allocate(100, &usable);
    void* own200 = probe.allocate(200, &usable);
    IBucketMemoryPool* own = probe.defaultPool();
    ASSERT_NE(probe.allocator(), bucketMemoryAllocator()) << "the probe carries a copy of its own";
    EXPECT_EQ(headerOf(own100), probe.allocator());
    probe.free(100, own100);
    probe.free(200, own200);

    host.offerBucketPool();
    BucketMemoryPool* hostPool = host.bucketPool();
    void* host100 = hostPool->allocate(100, &usable);
    void* freed = host100;
    hostPool->deallocate(100, &freed);

    std::vector<void*> blocks = allocateSmall(probe, kAllocationsBeforeCheck - 2);
    EXPECT_EQ(probe.defaultPool(), own) << "601 allocations: no look yet";
    blocks.push_back(probe.allocate(kSmall, &usable));
    EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(hostPool));

    // Moved entries are appended to the host's bucket; a bucket the host
    // lacked is taken over whole.
    EXPECT_EQ(hostPool->allocate(100, &usable), own100);
    EXPECT_EQ(hostPool->allocate(100, &usable), host100);
    EXPECT_EQ(hostPool->allocate(200, &usable), own200);
    EXPECT_EQ(usable, 200u);
    hostPool->deallocate(100, &own100);
    hostPool->deallocate(100, &host100);
    hostPool->deallocate(200, &own200);
    freeSmall(probe, blocks);
}

void looksAgainOnlyAfterAnother600(const BucketPoolProbe& probe) {
    RefHost host(withoutPool());
    probe.setManager(&host.manager());
    std::vector<void*> blocks = allocateSmall(probe, 2);
    IBucketMemoryPool* own = probe.defaultPool();
    const int64_t lookupsBefore = host.manager().serviceLookups();
    std::vector<void*> more = allocateSmall(probe, kAllocationsBeforeCheck - 2);
    EXPECT_EQ(host.manager().serviceLookups(), lookupsBefore) << "no look within the first 601";
    more.push_back(probe.allocate(kSmall, nullptr));
    EXPECT_EQ(host.manager().serviceLookups(), lookupsBefore + 1);
    EXPECT_EQ(probe.defaultPool(), own);

    host.offerBucketPool();
    std::vector<void*> later = allocateSmall(probe, kAllocationsBeforeCheck - 1);
    EXPECT_EQ(probe.defaultPool(), own) << "the counter restarted at the failed look";
    later.push_back(probe.allocate(kSmall, nullptr));
    EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(host.bucketPool()));
    freeSmall(probe, blocks);
    freeSmall(probe, more);
    freeSmall(probe, later);
}

void ensurePoolSwitchesAtOnce(const BucketPoolProbe& probe) {
    RefHost host(withoutPool());
    probe.setManager(&host.manager());
    EXPECT_FALSE(probe.ensurePool()) << "no pool anywhere";
    uint32_t usable = 0;
    void* block = probe.allocate(100, &usable);
    probe.free(usable, block);
    EXPECT_FALSE(probe.ensurePool()) << "own pool, host offers none";

    host.offerBucketPool();
    EXPECT_TRUE(probe.ensurePool());
    EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(host.bucketPool()));
    EXPECT_EQ(host.bucketPool()->freeBlockCount(), 1);
    const int64_t lookups = host.manager().serviceLookups();
    EXPECT_TRUE(probe.ensurePool());
    EXPECT_EQ(host.manager().serviceLookups(), lookups) << "a host pool is current: no look";
    EXPECT_EQ(probe.allocate(100, &usable), block);
    probe.free(usable, block);
}

void usesHostPoolFromTheFirstAllocation(const BucketPoolProbe& probe) {
    RefHost host;
    host.offerBucketPool();
    probe.setManager(&host.manager());
    uint32_t usable = 0;
    void* block = probe.allocate(50, &usable);
    EXPECT_EQ(probe.defaultPool(), static_cast<IBucketMemoryPool*>(host.bucketPool()));
    EXPECT_EQ(headerOf(block), bucketMemoryAllocator()) << "made by the host's copy";
    probe.free(usable, block);
    EXPECT_EQ(host.bucketPool()->freeBlockCount(), 1);
}

void freesThroughHeaderAfterShutdown(const BucketPoolProbe& probe) {
    RefHost host(withoutPool());
    probe.setManager(&host.manager());
    uint32_t ownUsable = 0;
    void* ownBlock = probe.allocate(30, &ownUsable);
    host.offerBucketPool();
    ASSERT_TRUE(probe.ensurePool());
    uint32_t smallUsable = 0;
    uint32_t bigUsable = 0;
    void* small = probe.allocate(30, &smallUsable);
    void* big = probe.allocate(kBypassing, &bigUsable);
    void* spare = probe.allocate(64, nullptr);
    probe.free(64, spare);

    probe.shutdownPool();
    EXPECT_EQ(host.bucketPool()->freeBlockCount(), 0) << "shutdown purges the current pool";
    probe.free(ownUsable, ownBlock);
    probe.free(smallUsable, small);
    probe.free(bigUsable, big);
    EXPECT_EQ(host.bucketPool()->freeBlockCount(), 0) << "freed through headers, not into a pool";
}

}  // namespace

TEST(BucketPoolSwitch, MovesToHostPoolAfterMoreThan600OwnAllocations) {
    expectInFreshProcess(switchesAfterMoreThan600Allocations);
}

TEST(BucketPoolSwitch, LooksAgainOnlyAfterAnother600WhenHostOffersNone) {
    expectInFreshProcess(looksAgainOnlyAfterAnother600);
}

TEST(BucketPoolSwitch, EnsurePoolSwitchesAtOnce) { expectInFreshProcess(ensurePoolSwitchesAtOnce); }

TEST(BucketPoolSwitch, UsesHostPoolFromTheFirstAllocation) {
    expectInFreshProcess(usesHostPoolFromTheFirstAllocation);
}

TEST(BucketPoolSwitch, BlocksAreFreedThroughTheirHeaderAfterShutdown) {
    expectInFreshProcess(freesThroughHeaderAfterShutdown);
}
