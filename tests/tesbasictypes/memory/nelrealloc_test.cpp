#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "assertreports.h"
#include "memorymanager.h"
#include "nelrealloc.h"
#include "os/sysalloc.h"
#include "processhost.h"

namespace {

// No handler, no pending failures and no scripted releases outside a test.
class NelRealloc : public ::testing::Test {
protected:
    void SetUp() override {
        tesSetExhaustionHandler(nullptr);
    }
    void TearDown() override {
        tesSysFailNextAllocations(0);
        manager().scriptReleases({});
    }
    static RefMemoryManager& manager() { return processTestHost().memoryManager(); }
    AssertReports asserts_;
};

TEST_F(NelRealloc, SizeRulesKeepTheOldBytesAndZeroTheNewTail) {
    const struct {
        const char* name;
        int32_t curSize, minNewSize, maxNewSize, expected;
        bool startsNull;
    } rows[] = {
        {"equal: returned at once", 4, 4, -1, 4, false},
        {"size 0 allocates the minimum", 0, 4, -1, 4, false},
        {"a null block allocates the minimum", 4, 8, -1, 8, true},
        {"shrinking is decided by the maximum", 8, 2, 6, 6, false},
        {"minimum below, maximum equal: unchanged", 8, 0, 8, 8, false},
        {"growth takes the maximum", 4, 6, 10, 10, false},
        {"growth to the minimum when -1", 10, 64, -1, 64, false},
        {"a maximum of 0 frees the block", 16, 0, 0, 0, false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        uint8_t* block = nullptr;
        if (!row.startsNull && row.curSize > 0) nelMalloc(block, row.curSize);
        if (block != nullptr) std::memset(block, 0xAB, static_cast<size_t>(row.curSize));
        uint8_t* const before = block;
        ASSERT_EQ(nelRealloc(block, row.curSize, row.minNewSize, row.maxNewSize), row.expected);
        EXPECT_EQ(block == nullptr, row.expected == 0);
        EXPECT_TRUE(row.expected != row.curSize || block == before) << "an unchanged size keeps the block";
        for (int32_t i = 0; before != nullptr && i < row.expected; ++i) {
            ASSERT_EQ(block[i], i < row.curSize ? 0xAB : 0) << i;
        }
        nelFree(block);
    }
    EXPECT_TRUE(asserts_.texts.empty());
    int32_t* block = nullptr;
    nelMalloc(block, 4);
    nelRealloc(block, 4, 8, 6);
    ASSERT_FALSE(asserts_.texts.empty());
    EXPECT_EQ(asserts_.texts.front(), "maxNewSize >= minNewSize @ src/tesbasictypes/nelrealloc");
    nelFree(block);
}

TEST_F(NelRealloc, MallocOfZeroBytesNeedsNoManagerAndOtherwiseAsksItWhileItReleases) {
    const int callsBefore = manager().releaseCalls();
    void* block = nullptr;
    EXPECT_EQ(nelMalloc(&block, 0, 10), 10);
    std::free(block);
    EXPECT_EQ(nelMalloc(&block, 8, 0), 0);
    std::free(block);
    EXPECT_EQ(manager().releaseCalls(), callsBefore);

    tesSysFailNextAllocations(2);
    manager().scriptReleases({true, true, false});
    int64_t* values = nullptr;
    nelMalloc(values, 4);
    EXPECT_NE(values, nullptr);
    EXPECT_EQ(manager().releaseCalls(), callsBefore + 2);
    nelFree(values);
}

// Each element is 24576 bytes, so the retry bound (target - old) / 24576 + 2
// equals target - cur + 2 elements.
struct Page {
    char bytes[24576];
};

TEST_F(NelRealloc, GrowthUnderPressureRetriesWithShrinkingTargets) {
    // Growth 1 -> 20..100 failed: attempt k = 7 aims at (100 + 20) / 2 = 60, k = 6 at 40, k = 5 at 30, k = 4 at 25;
    // attempts below 6 ask the manager to release before each retry.
    const struct {
        const char* name;
        int failures;
        std::vector<bool> releases;
        int32_t expected;
        int releaseCalls;
    } rows[] = {
        {"k = 5 fails once, then a release helps", 4, {true}, 30, 1},
        {"a release of nothing ends the retries of k = 5", 5, {false}, 25, 1},
        {"k = 5 retries (30 - 1) + 2 times", 3 + 1 + 31, std::vector<bool>(40, true), 25, 31},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Page* block = nullptr;
        nelMalloc(block, 1);
        tesSysFailNextAllocations(row.failures);
        manager().scriptReleases(row.releases);
        const int callsBefore = manager().releaseCalls();
        EXPECT_EQ(nelRealloc(block, 1, 20, 100), row.expected);
        EXPECT_EQ(manager().releaseCalls(), callsBefore + row.releaseCalls);
        for (int32_t i = 1; i < row.expected; ++i) EXPECT_EQ(block[i].bytes[24575], 0) << i;
        nelFree(block);
    }
}

void* copyingHandler(void* oldBlock, int64_t oldBytes, int64_t attemptedBytes) {
    void* fresh = std::malloc(static_cast<size_t>(attemptedBytes));
    std::memset(fresh, 0xEE, static_cast<size_t>(attemptedBytes));
    std::memcpy(fresh, oldBlock, static_cast<size_t>(oldBytes));
    std::free(oldBlock);
    return fresh;
}

TEST_F(NelRealloc, WhenEveryAttemptFailsTheHandlerTakesOverOrTheProcessEnds) {
    uint8_t* block = nullptr;
    nelMalloc(block, 8);
    std::memset(block, 7, 8);
    manager().scriptReleases(std::vector<bool>(200, false));
    EXPECT_EXIT(
        {
            tesSysFailNextAllocations(1000);
            nelRealloc(block, 8, 32);
            std::_Exit(0);
        },
        ::testing::ExitedWithCode(255), "");
    tesSetExhaustionHandler(copyingHandler);
    tesSysFailNextAllocations(1000);
    EXPECT_EQ(nelRealloc(block, 8, 32, 64), 32);
    tesSysFailNextAllocations(0);
    for (int i = 0; i < 32; ++i) EXPECT_EQ(block[i], i < 8 ? 7 : 0) << i;  // the allocator zeroes the tail
    nelFree(block);
}

TEST(CapacityGrowth, DoublesThenSlowsDown) {
    const struct {
        int64_t needed, current;
        int32_t elementSize;
        int64_t expected;
    } rows[] = {
        {5, 1, 8, 8},                          // 8, 16, 32, 64 bytes
        {4, 4, 1, 8},                          // needed x size equal to the capacity still grows
        {3, 4, 1, 4},
        {0, 0, 4, 1},                          // nothing needed: max(current, 1)
        {4194304, 4194304, 1, 6291456},        // from 4 MiB: +1/2
        {33554432, 33554432, 1, 41943040},     // from 32 MiB: +1/4
        {268435456, 268435456, 1, 301989888},  // from 256 MiB: +1/8
        {5000000, 4000000, 1, 8000000},        // 4 000 000 < 4 MiB doubles first
    };
    for (const auto& row : rows) {
        EXPECT_EQ(tesGrowCapacity(row.needed, row.current, row.elementSize), row.expected)
            << row.needed << " " << row.current << " " << row.elementSize;
    }
}

}  // namespace
