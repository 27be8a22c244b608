#include "teswaittime.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

TEST(TesWaitTime, SecondsBecomeWholeMillisecondsOfAtLeastOne) {
    const double infinity = std::numeric_limits<double>::infinity();
    const struct {
        double seconds;
        uint32_t milliseconds;
    } cases[] = {
        {0.0001, 1},        {0.0, 1},         {-3.0, 1},          {std::nan(""), 1},
        {0.0019, 1},        {0.002, 2},       {1.5, 1500},        {2.9999, 2999},
        {4294967.2935, 4294967293u},           {1e12, 0xFFFFFFFEu}, {infinity, 0xFFFFFFFEu},
        {-infinity, 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(tesWaitMilliseconds(c.seconds), c.milliseconds) << c.seconds;
    }
}
