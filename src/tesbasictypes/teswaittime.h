// Time limits in seconds, as the library's timed waits take them.
#pragma once

#include <cstdint>

// The milliseconds a wait of `seconds` lasts: seconds x 1000 truncated, at
// least 1 (so negative, NaN and tiny limits wait 1 ms), at most 0xFFFFFFFE,
// which is just short of an unlimited wait.
uint32_t tesWaitMilliseconds(double seconds);
