#include "tesconditionvariable.h"

#include <gtest/gtest.h>

#include "boundedwait.h"
#include "tesmutex.h"

using namespace testsupport;

TEST(TesConditionVariable, WakeOneWakesOneWaiterAndWakeAllTheRest) {
    TesMutex mutex;
    TesConditionVariable changed;
    ASSERT_FALSE(changed.isNull());
    Waiters<TesMutex, TesConditionVariable> waiters(mutex, changed, 3);
    ASSERT_TRUE(waiters.allWaiting());
    changed.wakeOne();
    ASSERT_TRUE(waitUntil([&] { return waiters.woken() == 1; }));
    changed.wakeAll();
    EXPECT_EQ(waiters.join(), 3);
}

TEST(TesConditionVariable, WakeUpsWithoutWaitersAreNotKeptAndAnUnheldMutexFails) {
    TesMutex mutex;
    TesConditionVariable changed;
    changed.wakeOne();
    changed.wakeAll();
    ASSERT_TRUE(mutex.lock());
    EXPECT_TRUE(timesOutAfter(0.02, [&] { return changed.waitFor(mutex, 0.02); }));
    EXPECT_FALSE(onOtherThread([&] { return mutex.tryLock(); })) << "a timed-out wait holds the mutex again";
    EXPECT_TRUE(mutex.unlock());
    EXPECT_FALSE(changed.waitFor(mutex, kPatience)) << "not held: fails without waiting";
    EXPECT_FALSE(mutex.unlock());
    TesMutex none(TesMutex::Creation::none);
    EXPECT_FALSE(changed.wait(none));
}
