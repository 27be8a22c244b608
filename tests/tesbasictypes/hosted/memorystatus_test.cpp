#include "memorystatus.h"

#include <gtest/gtest.h>

#include <cmath>

#include "hostedhost.h"
#include "memlimitlistener.h"
#include "os/nativememory.h"

namespace {

constexpr int64_t kMiB = 1 << 20;
constexpr const char* kLimitKey = "Memory/MemLimit";

const TesMemoryFigures kScripted = {3072 * kMiB, 8192 * kMiB, 1024 * kMiB, 2048 * kMiB};

class MemoryStatus : public ::testing::Test {
protected:
    void TearDown() override { hostedTestHost().memChecker().clear(); }
    RefMemChecker& checker() { return hostedTestHost().memChecker(); }
};

TEST_F(MemoryStatus, AnAvailableCheckerGivesTheFigures) {
    checker().script(kScripted, 500 * kMiB);
    TesMemoryFigures figures;
    ASSERT_TRUE(tesMemoryFigures(&figures, 1024));
    EXPECT_EQ(figures.systemFree, 3072 * 1024);
    EXPECT_EQ(figures.systemTotal, 8192 * 1024);
    EXPECT_EQ(figures.swapFree, 1024 * 1024);
    EXPECT_EQ(figures.swapTotal, 2048 * 1024);
    ASSERT_TRUE(tesMemoryFigures(&figures, 0));  // a divisor below 1 counts as 1
    EXPECT_EQ(figures.systemTotal, 8192 * kMiB);
    EXPECT_EQ(tesUsableMemory(0.5, kMiB), 3072 + 512);
    EXPECT_EQ(tesUsableMemory(0.0, kMiB), 3072);
    EXPECT_EQ(tesUsableMemory(7.0, kMiB), 3072 + 1024);           // clamped to the whole swap
    EXPECT_EQ(tesUsableMemory(std::nan(""), kMiB), 3072);          // NaN counts as 0
    EXPECT_EQ(tesFreePhysicalMemory(kMiB), 3072);
    EXPECT_EQ(tesProcessMemory(kMiB), 500);
}

TEST_F(MemoryStatus, WithoutAnAvailableCheckerTheSystemAnswers) {
    TesMemoryFigures bytes;
    TesMemoryFigures kilobytes;
    ASSERT_TRUE(tesMemoryFigures(&bytes, 1));
    ASSERT_TRUE(tesMemoryFigures(&kilobytes, 1024));
    EXPECT_GT(bytes.systemTotal, 0);
    EXPECT_EQ(kilobytes.systemTotal, bytes.systemTotal / 1024);
    EXPECT_LE(bytes.systemFree, bytes.systemTotal);
    EXPECT_GE(bytes.swapTotal, 0);
    EXPECT_LE(bytes.swapFree, bytes.swapTotal);
    TesOsMemoryStatus status;
    ASSERT_TRUE(tesOsMemoryStatus(&status));
    EXPECT_EQ(bytes.systemTotal, status.totalPhysical);
    EXPECT_EQ(bytes.swapTotal, std::min(status.totalPageFile, status.totalVirtual - status.totalPhysical));

    EXPECT_GT(tesAvailableMemory(0.0, 1), 0);
    EXPECT_GT(tesAvailableMemory(0.5, 1), tesAvailableMemory(0.0, 1));  // half the page file on top
    EXPECT_GT(tesAvailableVirtualMemory(kMiB), 0);
    EXPECT_GT(tesProcessMemory(1024), 0);
    int64_t current = 0;
    int64_t peak = 0;
    ASSERT_TRUE(tesWorkingSet(&current, &peak, 1024));
    EXPECT_GT(current, 0);
    EXPECT_GE(peak, current);
    ASSERT_TRUE(tesWorkingSet(&current, -3));
    EXPECT_GT(current, peak);  // bytes now, against kilobytes before
}

TEST_F(MemoryStatus, ProcessWideLimitFollowsTheSetting) {
    RefDataStore& settings = hostedTestHost().settings();
    settings.setDouble(nullptr, kLimitKey, 6e9);
    EXPECT_EQ(tesMemoryLimit(), 6000000000);
    settings.setDouble(nullptr, kLimitKey, 7e9);
    EXPECT_EQ(tesMemoryLimit(), 7000000000);
    EXPECT_EQ(&tesMemLimitListener(), &tesMemLimitListener());
}

}  // namespace
