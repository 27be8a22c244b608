#include "teswaittime.h"

#include <gtest/gtest.h>

#include <limits>

TEST(TesWaitTime, SecondsBecomeWholeMillisecondsOfAtLeastOne) {
    using limits = std::numeric_limits<double>;
    const struct {
        double seconds;
        uint32_t milliseconds;
    } rows[] = {
        {0.0, 1},   {0.0001, 1},    {-limits::infinity(), 1},    {limits::quiet_NaN(), 1},      {0.0019, 1},
        {0.002, 2}, {2.9999, 2999}, {4294967.2935, 4294967293u}, {limits::infinity(), 0xFFFFFFFEu},
    };
    for (const auto& row : rows) EXPECT_EQ(tesWaitMilliseconds(row.seconds), row.milliseconds) << row.seconds;
}
