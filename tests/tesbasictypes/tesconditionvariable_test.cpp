#include "tesconditionvariable.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "boundedwait.h"
#include "tesmutex.h"

namespace {
constexpr double kPatience = 5.0;
constexpr int kRounds = 1000;
}  // namespace

TEST(TesConditionVariable, PingPongBetweenTwoThreads) {
    TesMutex mutex;
    TesConditionVariable changed;
    int turn = 0;
    auto play = [&](int mine, int& completed) {
        for (completed = 0; completed < kRounds; ++completed) {
            mutex.lock();
            bool woken = true;
            while (turn != mine && woken) woken = changed.waitFor(mutex, kPatience);
            turn = 1 - mine;
            changed.wakeOne();
            mutex.unlock();
            if (!woken) break;
        }
    };
    int firstCompleted = 0;
    int secondCompleted = 0;
    std::thread second([&] { play(1, secondCompleted); });
    play(0, firstCompleted);
    second.join();
    EXPECT_EQ(firstCompleted, kRounds);
    EXPECT_EQ(secondCompleted, kRounds);
}

TEST(TesConditionVariable, WakeAllReleasesEveryWaiter) {
    constexpr int kWaiters = 5;
    TesMutex mutex;
    TesConditionVariable changed;
    int waiting = 0;
    std::atomic<int> woken{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            mutex.lock();
            ++waiting;
            if (changed.waitFor(mutex, kPatience)) woken.fetch_add(1);
            mutex.unlock();
        });
    }
    // A waiter counts itself and starts waiting under the mutex: once all are
    // counted, all wait.
    ASSERT_TRUE(testsupport::waitUntil(
        [&] {
            mutex.lock();
            const bool all = waiting == kWaiters;
            mutex.unlock();
            return all;
        },
        kPatience));
    changed.wakeAll();
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(woken.load(), kWaiters);
}

TEST(TesConditionVariable, TimeoutAndBadInput) {
    TesMutex mutex;
    TesConditionVariable changed;
    changed.wakeOne();
    changed.wakeAll();

    ASSERT_TRUE(mutex.lock());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(changed.waitFor(mutex, 0.02)) << "wake-ups without waiters are not kept";
    EXPECT_GE(testsupport::secondsSince(start), 0.02);
    bool heldAgain = false;
    std::thread([&] { heldAgain = !mutex.tryLock(); }).join();
    EXPECT_TRUE(heldAgain);
    EXPECT_TRUE(mutex.unlock());

    EXPECT_FALSE(changed.waitFor(mutex, kPatience)) << "not held: fails without waiting";
    TesMutex none(TesMutex::Creation::none);
    EXPECT_FALSE(changed.wait(none));
    EXPECT_FALSE(mutex.unlock());
}
