// Runs a scenario in a process of its own, for state that a process settles
// once (the translator, for one). The child is re-executed rather than forked,
// so it starts fresh whatever the tests before it did in the parent.
#pragma once

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

// Runs `scenario` with its test failures collected: 0 when there were none,
// else 1; the failures go to stderr, which the death test shows.
inline int runCollectingFailures(const std::function<void()>& scenario) {
    testing::TestPartResultArray results;
    {
        testing::ScopedFakeTestPartResultReporter reporter(&results);
        scenario();
    }
    int failed = 0;
    for (int i = 0; i < results.size(); ++i) {
        const testing::TestPartResult& result = results.GetTestPartResult(i);
        if (!result.failed()) continue;
        std::fprintf(stderr, "%s:%d: %s\n", result.file_name(), result.line_number(), result.message());
        failed = 1;
    }
    return failed;
}

// Expects the scenario (a callable, the macro's arguments) to pass in a child
// process. The child ends through exit, so a leak checker in the build gets to look.
#define EXPECT_IN_FRESH_PROCESS(...)                                                                    \
    do {                                                                                                \
        const std::function<void()> freshScenario = __VA_ARGS__;                                        \
        GTEST_FLAG_SET(death_test_style, "threadsafe");                                                 \
        EXPECT_EXIT(std::exit(runCollectingFailures(freshScenario)), ::testing::ExitedWithCode(0), ""); \
    } while (false)
