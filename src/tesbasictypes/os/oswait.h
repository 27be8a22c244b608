// Results and time limits shared by the waits of the operating-system layer.
#pragma once

#include <cstdint>

// A time limit in milliseconds; kTesOsInfinite waits without one.
constexpr uint32_t kTesOsInfinite = 0xFFFFFFFF;

enum class TesOsWait {
    acquired,
    abandoned,  // acquired a mutex whose holder died holding it
    timeout,
    failed,     // no object, or the object cannot be waited on by this caller
};

inline bool tesOsWaitAcquired(TesOsWait result) {
    return result == TesOsWait::acquired || result == TesOsWait::abandoned;
}
