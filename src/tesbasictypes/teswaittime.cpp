#include "teswaittime.h"

namespace {
constexpr double kMillisPerSecond = 1000.0;
constexpr uint32_t kShortestWait = 1;
constexpr uint32_t kLongestWait = 0xFFFFFFFE;
}  // namespace

uint32_t tesWaitMilliseconds(double seconds) {
    const double milliseconds = seconds * kMillisPerSecond;
    if (!(milliseconds >= kShortestWait)) return kShortestWait;  // also NaN
    if (milliseconds >= static_cast<double>(kLongestWait)) return kLongestWait;
    return static_cast<uint32_t>(milliseconds);
}
