#include "tescondition.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "boundedwait.h"
#include "childprocess.h"
#include "freshprocess.h"
#include "tesmutex.h"

using namespace testsupport;

using ConditionWaiters = Waiters<TesMutex, TesCondition>;

TEST(TesCondition, SignalWakesOneWaiterAtATime) {
    TesMutex mutex;
    TesCondition condition;
    ASSERT_FALSE(condition.isNull());
    ConditionWaiters waiters(mutex, condition, 2);
    ASSERT_TRUE(waiters.allWaiting());
    condition.signal();
    ASSERT_TRUE(waitUntil([&] { return waiters.woken() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(waiters.woken(), 1);
    condition.signal();
    EXPECT_EQ(waiters.join(), 2);
}

TEST(TesCondition, BroadcastReleasesEveryWaiterAndReturnsOnceAllHaveLeft) {
    const struct {
        int count;
        bool named;
    } rows[] = {{1, false}, {7, false}, {3, true}};
    for (const auto& [count, named] : rows) {
        SCOPED_TRACE(std::to_string(count) + (named ? " waiters on a named mutex" : " waiters"));
        TesMutex mutex(TesMutex::Creation::none);
        ASSERT_TRUE(named ? mutex.createNamed(uniqueName("condition").c_str()) : mutex.create());
        TesCondition condition;
        ConditionWaiters waiters(mutex, condition, count);
        ASSERT_TRUE(waiters.allWaiting());
        mutex.lock();
        condition.broadcast();
        condition.signal();  // finds no waiter left, so leaves nothing behind
        mutex.unlock();
        EXPECT_EQ(waiters.join(), count);
        mutex.lock();
        EXPECT_FALSE(condition.waitFor(mutex, 0.02));
        mutex.unlock();
    }
}

TEST(TesCondition, WakeUpsWithoutWaitersAreNotKeptAndBadMutexesNeverCrash) {
    TesMutex mutex;
    TesCondition condition;
    condition.signal();
    condition.broadcast();
    mutex.lock();
    EXPECT_TRUE(timesOutAfter(0.02, [&] { return condition.waitFor(mutex, 0.02); }));
    EXPECT_FALSE(onOtherThread([&] { return mutex.tryLock(); })) << "a timed-out wait holds the mutex again";
    mutex.unlock();
    TesMutex none(TesMutex::Creation::none);
    EXPECT_FALSE(condition.wait(none) || condition.waitFor(none, kPatience));
    // Not held: the mutex is not handed over, the wait runs out and the caller then holds the mutex.
    EXPECT_FALSE(condition.waitFor(mutex, 0.02));
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(mutex.unlock());
}

// The spin count is read once per process from TES_SPIN_COUNT as atoi reads
// it, clamped to 32 bits; unset or negative means no spinning (-1).
TEST(TesCondition, SpinCountIsReadFromTheEnvironment) {
    const std::pair<const char*, int32_t> rows[] = {{"4000", 4000}, {nullptr, -1}, {"12abc", 12}, {" 7", 7},
                                                    {"abc", 0},     {"-5", -1},    {"99999999999", INT32_MAX}};
    for (const auto& [value, expected] : rows) {
        SCOPED_TRACE(value != nullptr ? value : "(unset)");
        if (value != nullptr) setenv("TES_SPIN_COUNT", value, 1);
        EXPECT_IN_FRESH_PROCESS([expected] { EXPECT_EQ(TesCondition().spinCount(), expected); });
        unsetenv("TES_SPIN_COUNT");
    }
}
