#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <vector>

#include "memoryhost.h"
#include "memorymanager.h"
#include "nelrealloc.h"
#include "os/sysalloc.h"
#include "tesassert.h"

namespace {

struct AssertRecord {
    std::vector<std::string> expressions;
};

void recordAssert(void* context, const char* expression, const char*, int) {
    static_cast<AssertRecord*>(context)->expressions.emplace_back(expression);
}

// Allocation state restored after every test: no pending failures, no scripted
// releases, no hook, no handler.
class NelRealloc : public ::testing::Test {
protected:
    void SetUp() override { tesSetAssertHook(recordAssert, &asserts_); }
    void TearDown() override {
        tesSysFailNextAllocations(0);
        memoryTestHost().memoryManager().scriptReleases({});
        tesSetAssertHook(nullptr, nullptr);
        tesSetExhaustionHandler(nullptr);
    }
    RefMemoryManager& manager() { return memoryTestHost().memoryManager(); }
    AssertRecord asserts_;
};

TEST_F(NelRealloc, TheHostMemoryManagerIsFound) {
    EXPECT_EQ(tesMemoryManager(), static_cast<TesMM::ITesMManager*>(&manager()));
}

TEST_F(NelRealloc, SizeRules) {
    struct Case {
        int32_t curSize, minNewSize, maxNewSize, expected;
        bool startsNull;
    };
    const std::vector<Case> cases = {
        {4, 4, -1, 4, false},    // equal: returned at once
        {0, 4, -1, 4, false},    // curSize 0 allocates minNewSize
        {0, 4, 9, 4, false},     // ... and ignores the maximum
        {4, 8, -1, 8, true},     // null pointer allocates minNewSize
        {8, 4, -1, 4, false},    // shrinking to the maximum
        {8, 2, 6, 6, false},     // shrinking is decided by the maximum
        {8, 4, 10, 8, false},    // min below cur, max above: unchanged
        {8, 0, 8, 8, false},     // min below cur, max equal: unchanged
        {4, 6, 10, 10, false},   // growth takes the maximum
        {4, 6, -1, 6, false},    // -1 means minNewSize
    };
    for (const Case& c : cases) {
        int32_t* block = nullptr;
        if (!c.startsNull && c.curSize > 0) nelMalloc(block, c.curSize);
        EXPECT_EQ(nelRealloc(block, c.curSize, c.minNewSize, c.maxNewSize), c.expected)
            << c.curSize << " " << c.minNewSize << " " << c.maxNewSize;
        EXPECT_NE(block, nullptr);
        nelFree(block);
    }
    EXPECT_TRUE(asserts_.expressions.empty());
}

TEST_F(NelRealloc, ShrinkingToZeroFreesTheBlock) {
    int32_t* block = nullptr;
    nelMalloc(block, 16);
    EXPECT_EQ(nelRealloc(block, 16, 0, 0), 0);
    EXPECT_EQ(block, nullptr);
    int32_t* unchanged = nullptr;
    nelMalloc(unchanged, 3);
    int32_t* before = unchanged;
    EXPECT_EQ(nelRealloc(unchanged, 3, 3), 3);
    EXPECT_EQ(unchanged, before);
    nelFree(unchanged);
}

TEST_F(NelRealloc, GrowthZeroesExactlyTheNewTail) {
    uint8_t* block = nullptr;
    nelMalloc(block, 10);
    std::memset(block, 0xAB, 10);
    EXPECT_EQ(nelRealloc(block, 10, 64), 64);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(block[i], 0xAB) << i;
    for (int i = 10; i < 64; ++i) EXPECT_EQ(block[i], 0) << i;
    nelFree(block);
}

TEST_F(NelRealloc, MaximumBelowMinimumIsReported) {
    int32_t* block = nullptr;
    nelMalloc(block, 4);
    nelRealloc(block, 4, 8, 6);
    ASSERT_FALSE(asserts_.expressions.empty());
    EXPECT_EQ(asserts_.expressions.front(), "maxNewSize >= minNewSize");
    nelFree(block);
}

TEST_F(NelRealloc, ZeroBytesSucceedWithoutTheManager) {
    const int callsBefore = manager().releaseCalls();
    void* block = nullptr;
    EXPECT_EQ(nelMalloc(&block, 0, 10), 10);
    std::free(block);
    block = nullptr;
    EXPECT_EQ(nelMalloc(&block, 8, 0), 0);
    std::free(block);
    EXPECT_EQ(manager().releaseCalls(), callsBefore);
}

TEST_F(NelRealloc, MallocAsksTheManagerWhileItReleases) {
    manager().scriptReleases({true, true, false});
    tesSysFailNextAllocations(3);  // first try and two retries fail
    const int callsBefore = manager().releaseCalls();
    int64_t* block = nullptr;
    EXPECT_EXIT(
        {
            nelMalloc(block, 4);
            std::_Exit(block == nullptr ? 1 : 0);
        },
        ::testing::ExitedWithCode(255), "");  // ran out: no handler, exit -1
    tesSysFailNextAllocations(2);
    manager().scriptReleases({true, true, false});
    nelMalloc(block, 4);
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(manager().releaseCalls(), callsBefore + 2);
    nelFree(block);
}

// Each element is 24576 bytes, so the retry bound (target - old) / 24576 + 2
// equals target - cur + 2 elements.
struct Page {
    char bytes[24576];
};

TEST_F(NelRealloc, GrowthRetriesWithShrinkingTargets) {
    Page* block = nullptr;
    nelMalloc(block, 1);
    // Attempt k = 7 (target (100 + 20) / 2 = 60) and k = 6 (40) fail without
    // help; k = 5 (target 30) fails once, then the manager's release helps.
    tesSysFailNextAllocations(4);  // first try at 100, k = 7, k = 6, k = 5
    manager().scriptReleases({true});
    const int callsBefore = manager().releaseCalls();
    EXPECT_EQ(nelRealloc(block, 1, 20, 100), 30);
    EXPECT_EQ(manager().releaseCalls(), callsBefore + 1);
    for (int32_t i = 1; i < 30; ++i) EXPECT_EQ(block[i].bytes[24575], 0) << i;
    nelFree(block);
}

TEST_F(NelRealloc, RetriesStopOnceTheManagerReleasesNothing) {
    Page* block = nullptr;
    nelMalloc(block, 1);
    // k = 5 fails, its first retry fails after a release of nothing: stop, go
    // on to k = 4 (target 25), which succeeds.
    tesSysFailNextAllocations(5);
    manager().scriptReleases({false});
    const int callsBefore = manager().releaseCalls();
    EXPECT_EQ(nelRealloc(block, 1, 20, 100), 25);
    EXPECT_EQ(manager().releaseCalls(), callsBefore + 1);
    nelFree(block);
}

TEST_F(NelRealloc, RetryCountIsBoundedByTheGrowth) {
    Page* block = nullptr;
    nelMalloc(block, 1);
    // k = 5: target 30, bound (30 - 1) + 2 = 31 retries, all failing while the
    // manager keeps releasing; then k = 4 (target 25) succeeds at once.
    tesSysFailNextAllocations(3 + 1 + 31);
    manager().scriptReleases(std::vector<bool>(40, true));
    const int callsBefore = manager().releaseCalls();
    EXPECT_EQ(nelRealloc(block, 1, 20, 100), 25);
    EXPECT_EQ(manager().releaseCalls(), callsBefore + 31);
    nelFree(block);
}

void* copyingHandler(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes) {
    void* fresh = std::malloc(static_cast<size_t>(attemptedBytes));
    std::memset(fresh, 0xEE, static_cast<size_t>(attemptedBytes));
    std::memcpy(fresh, oldBlock, static_cast<size_t>(oldBytes));
    std::free(oldBlock);
    return fresh;
}

TEST_F(NelRealloc, HandlerTakesOverWhenEveryAttemptFails) {
    uint8_t* block = nullptr;
    nelMalloc(block, 8);
    std::memset(block, 7, 8);
    tesSetExhaustionHandler(copyingHandler);
    manager().scriptReleases(std::vector<bool>(200, false));
    tesSysFailNextAllocations(1000);
    EXPECT_EQ(nelRealloc(block, 8, 32, 64), 32);
    tesSysFailNextAllocations(0);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(block[i], 7) << i;
    for (int i = 8; i < 32; ++i) EXPECT_EQ(block[i], 0) << i;  // the allocator zeroes the tail
    nelFree(block);
}

TEST_F(NelRealloc, WithoutAHandlerExhaustionEndsTheProcess) {
    uint8_t* block = nullptr;
    nelMalloc(block, 8);
    EXPECT_EXIT(
        {
            tesSysFailNextAllocations(1000);
            memoryTestHost().memoryManager().scriptReleases(std::vector<bool>(200, false));
            nelRealloc(block, 8, 32);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "");
    nelFree(block);
}

TEST(CapacityGrowth, DoublesThenSlowsDown) {
    struct Case {
        int64_t needed, current;
        int32_t elementSize;
        int64_t expected;
    };
    const std::vector<Case> cases = {
        {5, 1, 8, 8},                 // 8, 16, 32, 64 bytes
        {4, 4, 1, 8},                 // needed x size equal to the capacity still grows
        {3, 4, 1, 4},
        {0, 0, 4, 1},                 // nothing needed: max(c, 1)
        {1, 0, 4, 2},
        {4194304, 4194304, 1, 6291456},         // from 4 MiB: +1/2
        {33554432, 33554432, 1, 41943040},      // from 32 MiB: +1/4
        {268435456, 268435456, 1, 301989888},   // from 256 MiB: +1/8
        {5000000, 4000000, 1, 8000000},         // 4 000 000 < 4 MiB doubles first
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tesGrowCapacity(c.needed, c.current, c.elementSize), c.expected)
            << c.needed << " " << c.current << " " << c.elementSize;
    }
}

}  // namespace
