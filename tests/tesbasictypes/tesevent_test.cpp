#include "tesevent.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "boundedwait.h"

namespace {
constexpr double kPatience = 5.0;
constexpr int kRounds = 2000;
}  // namespace

TEST(TesEvent, ManualResetStaysSetUntilReset) {
    TesEvent event;
    ASSERT_FALSE(event.isNull());
    EXPECT_FALSE(event.isSet());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(event.waitFor(0.02));
    EXPECT_GE(testsupport::secondsSince(start), 0.02);
    EXPECT_FALSE(event.waitFor(0.0001));

    EXPECT_TRUE(event.set());
    EXPECT_TRUE(event.set());
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(event.isSet());
        EXPECT_TRUE(event.waitFor(0.01));
        EXPECT_TRUE(event.wait());
    }
    EXPECT_TRUE(event.reset());
    EXPECT_FALSE(event.isSet());
    EXPECT_FALSE(event.waitFor(0.01));
}

TEST(TesEvent, PingPongBetweenTwoThreads) {
    TesEvent ping;
    TesEvent pong;
    std::atomic<int> answered{0};
    std::thread partner([&] {
        for (int round = 0; round < kRounds; ++round) {
            if (!ping.waitFor(kPatience)) return;
            ping.reset();
            answered.fetch_add(1);
            pong.set();
        }
    });
    int completed = 0;
    for (; completed < kRounds; ++completed) {
        ping.set();
        if (!pong.waitFor(kPatience)) break;
        pong.reset();
    }
    partner.join();
    EXPECT_EQ(completed, kRounds);
    EXPECT_EQ(answered.load(), kRounds);
}

TEST(TesEvent, SetReleasesEveryWaiterAndLaterOnes) {
    constexpr int kWaiters = 6;
    TesEvent event;
    std::atomic<int> released{0};
    std::vector<std::thread> waiters;
    for (int i = 0; i < kWaiters; ++i) {
        waiters.emplace_back([&] {
            if (event.waitFor(kPatience)) released.fetch_add(1);
        });
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    event.set();
    for (std::thread& waiter : waiters) waiter.join();
    EXPECT_EQ(released.load(), kWaiters);
    EXPECT_TRUE(event.waitFor(0.01));
}

TEST(TesEvent, ResetBeforeAWaiterArrivesIsNotSeen) {
    TesEvent event;
    event.set();
    event.reset();
    bool woken = true;
    std::thread late([&] { woken = event.waitFor(0.02); });
    late.join();
    EXPECT_FALSE(woken);
}
