// vesper-host cycle: the plug-in loaded, used and unloaded over and over, with
// resident memory steady once the first cycles made what lives on.
#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>

#include "toolrun.h"

#ifdef __SANITIZE_ADDRESS__
// The sanitizer keeps its own records of every library it saw loaded, so
// resident memory grows with each cycle there: it checks the cycles for
// faults and leaks, the release build measures.
constexpr int kCycles = 20;
constexpr bool kMeasured = false;
#else
constexpr int kCycles = 1000;
constexpr bool kMeasured = true;
#endif

TEST(LoadCycle, UnloadingThePluginLeavesNothingBehind) {
    const ToolRun run = runTool(toolPath("vesper-host"), {"cycle", std::to_string(kCycles)});
    ASSERT_EQ(run.exitCode, 0) << run.output;
    if (!kMeasured) return;
    const auto residentKiB = [&run](int cycle) {
        std::smatch match;
        const std::regex line("cycle " + std::to_string(cycle) + ": resident ([0-9]+) kB");
        return std::regex_search(run.output, match, line) ? std::stol(match[1]) : -1L;
    };
    ASSERT_GT(std::min(residentKiB(10), residentKiB(kCycles)), 0) << run.output;
    EXPECT_LE(residentKiB(kCycles) - residentKiB(10), 1024) << run.output;
}
