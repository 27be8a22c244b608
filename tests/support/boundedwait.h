// Helpers for threaded tests, with the standard headers they use. Every wait
// has a time limit, so a fault fails the test instead of hanging it.
#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace testsupport {

inline constexpr double kPatience = 5.0;  // seconds any wait in a test may last

// True as soon as `condition()` holds; false when `seconds` pass first.
template <typename Condition>
bool waitUntil(Condition condition, double seconds = kPatience) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

// True when `wait()` fails, and not before `seconds` have passed.
template <typename Wait>
bool timesOutAfter(double seconds, Wait wait) {
    const auto start = std::chrono::steady_clock::now();
    return !wait() && std::chrono::steady_clock::now() - start >= std::chrono::duration<double>(seconds);
}

template <typename Probe>
bool onOtherThread(Probe probe) {
    bool result = false;
    std::thread([&] { result = probe(); }).join();
    return result;
}

// `count` threads that each lock `mutex`, count themselves and wait once on
// `condition`. Counting and starting the wait happen under the mutex, so once
// all have counted, all wait.
template <typename Mutex, typename Condition>
class Waiters {
public:
    Waiters(Mutex& mutex, Condition& condition, int count) : mutex_(mutex), count_(count) {
        for (int i = 0; i < count; ++i) {
            threads_.emplace_back([this, &condition] {
                std::lock_guard hold(mutex_);
                ++waiting_;
                if (condition.waitFor(mutex_, kPatience)) ++woken_;
            });
        }
    }
    bool allWaiting() {
        return waitUntil([this] {
            std::lock_guard hold(mutex_);
            return waiting_ == count_;
        });
    }
    int woken() const { return woken_; }
    // The number woken, once every waiter has left.
    int join() {
        threads_.clear();
        return woken_;
    }

private:
    Mutex& mutex_;
    const int count_;
    int waiting_ = 0;  // guarded by mutex_
    std::atomic<int> woken_{0};
    std::vector<std::jthread> threads_;  // last: joined before the counts go
};

}  // namespace testsupport
