// vesper-host cycle: the plug-in loaded, used and unloaded over and over, with
// resident memory steady once the first cycles made what lives on.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <regex>
#include <string>

#include "toolrun.h"

#ifdef __SANITIZE_ADDRESS__
// Slower when sanitized; no quarantine, so that only a leak makes it grow.
constexpr int kCycles = 200;
const std::vector<std::string> kEnvironment = {std::string("ASAN_OPTIONS=") +
                                               (std::getenv("ASAN_OPTIONS") ? std::getenv("ASAN_OPTIONS") : "") +
                                               ":quarantine_size_mb=0"};
#else
constexpr int kCycles = 1000;
const std::vector<std::string> kEnvironment;
#endif

TEST(LoadCycle, UnloadingThePluginLeavesNothingBehind) {
    const ToolRun run = runTool(toolPath("vesper-host"), {"cycle", std::to_string(kCycles)}, kEnvironment);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    const auto residentKiB = [&run](int cycle) {
        std::smatch match;
        const std::regex line("cycle " + std::to_string(cycle) + ": resident ([0-9]+) kB");
        return std::regex_search(run.output, match, line) ? std::stol(match[1]) : -1L;
    };
    ASSERT_GT(std::min(residentKiB(10), residentKiB(kCycles)), 0) << run.output;
    EXPECT_LE(residentKiB(kCycles) - residentKiB(10), 1024) << run.output;
}
