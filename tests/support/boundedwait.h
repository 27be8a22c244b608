// Polling with a time limit, for tests that must never hang.
#pragma once

#include <chrono>
#include <thread>

namespace testsupport {

// True as soon as `condition()` holds; false when `seconds` pass first.
template <typename Condition>
bool waitUntil(Condition condition, double seconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

inline double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace testsupport
