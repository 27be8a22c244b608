#include "memorystatus.h"

#include <gtest/gtest.h>

#include <cmath>
#include <tuple>

#include "processhost.h"

namespace {

constexpr int64_t kMiB = 1 << 20;

TEST(MemoryStatus, AnAvailableCheckerGivesTheFigures) {
    processTestHost().memChecker().script({3072 * kMiB, 8192 * kMiB, 1024 * kMiB, 2048 * kMiB}, 500 * kMiB);
    TesMemoryFigures figures;
    ASSERT_TRUE(tesMemoryFigures(&figures, 1024));
    EXPECT_EQ(std::tie(figures.systemFree, figures.systemTotal, figures.swapFree, figures.swapTotal),
              std::make_tuple(3072 * 1024, 8192 * 1024, 1024 * 1024, 2048 * 1024));
    ASSERT_TRUE(tesMemoryFigures(&figures, 0));
    EXPECT_EQ(figures.systemTotal, 8192 * kMiB) << "a divisor below 1 counts as 1";
    // System free plus a share of the swap clamped to 0..1, NaN counting as 0.
    for (const auto& [fraction, usable] :
         {std::pair{0.5, 3072 + 512}, {0.0, 3072}, {7.0, 3072 + 1024}, {-1.0, 3072}, {std::nan(""), 3072}}) {
        EXPECT_EQ(tesUsableMemory(fraction, kMiB), usable) << fraction;
    }
    EXPECT_EQ(tesFreePhysicalMemory(kMiB), 3072);
    EXPECT_EQ(tesProcessMemory(kMiB), 500);
    processTestHost().memChecker().clear();
}

TEST(MemoryStatus, WithoutAnAvailableCheckerTheSystemAnswersInTheUnitsAsked) {
    TesMemoryFigures bytes;
    TesMemoryFigures kilobytes;
    ASSERT_TRUE(tesMemoryFigures(&bytes, 1) && tesMemoryFigures(&kilobytes, 1024));
    EXPECT_GT(bytes.systemTotal, 0);
    EXPECT_EQ(kilobytes.systemTotal, bytes.systemTotal / 1024);
    EXPECT_LE(bytes.swapFree, bytes.swapTotal);
    EXPECT_GT(tesAvailableMemory(0.5, 1), tesAvailableMemory(0.0, 1)) << "half the page file on top";
    EXPECT_GT(tesAvailableVirtualMemory(1024), 0);
    EXPECT_GT(tesProcessMemory(1024), 0) << "the working set";
    int64_t current = 0;
    int64_t peak = 0;
    ASSERT_TRUE(tesWorkingSet(&current, &peak, 1024));
    EXPECT_GE(peak, current);
    EXPECT_GT(current, 0);
    ASSERT_TRUE(tesWorkingSet(&current, -3));
    EXPECT_GT(current, peak) << "bytes now, against kilobytes before";
}

TEST(MemoryStatus, ProcessWideLimitFollowsTheSetting) {
    for (double limit : {6e9, 7e9}) {
        processTestHost().settings().setDouble(nullptr, "Memory/MemLimit", limit);
        EXPECT_EQ(tesMemoryLimit(), static_cast<int64_t>(limit));
    }
}

}  // namespace
