#include "tessemaphore.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <thread>
#include <vector>

#include "boundedwait.h"

namespace {
constexpr double kPatience = 5.0;
}  // namespace

TEST(TesSemaphore, CreationChecksItsCounts) {
    const struct {
        int32_t initial;
        int32_t maximum;
        bool created;
    } cases[] = {
        {0, 1, true},     {1, 1, true},         {INT32_MAX, INT32_MAX, true}, {0, INT32_MAX, true},
        {-1, 1, false},   {0, 0, false},        {2, 1, false},                {0, -5, false},
        {INT32_MIN, 1, false}, {1, INT32_MIN, false},
    };
    for (const auto& c : cases) {
        TesSemaphore semaphore(c.initial, c.maximum);
        EXPECT_EQ(!semaphore.isNull(), c.created) << c.initial << " / " << c.maximum;
    }
}

TEST(TesSemaphore, WithoutHandleEveryCallFails) {
    TesSemaphore semaphore(-1, 1);
    ASSERT_TRUE(semaphore.isNull());
    int32_t previous = 77;
    EXPECT_FALSE(semaphore.release(1, &previous));
    EXPECT_EQ(previous, 77);
    EXPECT_FALSE(semaphore.wait());
    EXPECT_FALSE(semaphore.tryWait());
    EXPECT_FALSE(semaphore.waitFor(0.01));
}

TEST(TesSemaphore, CountsAtItsLimits) {
    TesSemaphore semaphore(0, 3);
    int32_t previous = -1;
    const struct {
        int32_t count;
        bool accepted;
        int32_t previousAfter;  // -1: unchanged
    } releases[] = {
        {0, false, -1}, {-1, false, -1}, {INT32_MIN, false, -1}, {4, false, -1},
        {2, true, 0},   {2, false, -1},  {1, true, 2},           {1, false, -1},
    };
    for (const auto& r : releases) {
        previous = -1;
        EXPECT_EQ(semaphore.release(r.count, &previous), r.accepted) << r.count;
        EXPECT_EQ(previous, r.previousAfter) << r.count;
    }
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(semaphore.tryWait()) << i;
    EXPECT_FALSE(semaphore.tryWait());
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(semaphore.waitFor(0.02));
    EXPECT_GE(testsupport::secondsSince(start), 0.02);
}

TEST(TesSemaphore, MaximumCountDoesNotOverflow) {
    TesSemaphore semaphore(INT32_MAX - 1, INT32_MAX);
    int32_t previous = 0;
    EXPECT_FALSE(semaphore.release(2));
    EXPECT_FALSE(semaphore.release(INT32_MAX));
    EXPECT_TRUE(semaphore.release(1, &previous));
    EXPECT_EQ(previous, INT32_MAX - 1);
    EXPECT_FALSE(semaphore.release(1));
    EXPECT_TRUE(semaphore.tryWait());
    EXPECT_TRUE(semaphore.release(1, &previous));
    EXPECT_EQ(previous, INT32_MAX - 1);
}

TEST(TesSemaphore, EveryReleasedUnitIsTakenExactlyOnce) {
    constexpr int kConsumers = 4;
    constexpr int kUnitsEach = 500;
    constexpr int32_t kMaximum = 8;
    TesSemaphore semaphore(0, kMaximum);
    std::atomic<int> taken{0};
    std::vector<std::thread> consumers;
    for (int i = 0; i < kConsumers; ++i) {
        consumers.emplace_back([&] {
            for (int unit = 0; unit < kUnitsEach && semaphore.waitFor(kPatience); ++unit) taken.fetch_add(1);
        });
    }
    int released = 0;
    while (released < kConsumers * kUnitsEach) {
        // Release only as much as fits; the consumers make room.
        if (semaphore.release(1)) {
            ++released;
        } else if (!testsupport::waitUntil([&] { return taken.load() > released - kMaximum; }, kPatience)) {
            break;
        }
    }
    for (std::thread& consumer : consumers) consumer.join();
    EXPECT_EQ(released, kConsumers * kUnitsEach);
    EXPECT_EQ(taken.load(), kConsumers * kUnitsEach);
    EXPECT_FALSE(semaphore.tryWait());
}
