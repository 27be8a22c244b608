#include "tesevent.h"

#include <gtest/gtest.h>

#include "boundedwait.h"

using namespace testsupport;

TEST(TesEvent, ManualResetReleasesEveryWaiterAndStaysSetUntilReset) {
    TesEvent event;
    ASSERT_FALSE(event.isNull());
    EXPECT_FALSE(event.isSet());
    EXPECT_TRUE(timesOutAfter(0.02, [&] { return event.waitFor(0.02); }));
    std::atomic<int> released{0};
    std::vector<std::jthread> waiters;
    for (int i = 0; i < 6; ++i) waiters.emplace_back([&] { released += event.waitFor(kPatience); });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    EXPECT_TRUE(event.set() && event.set());
    waiters.clear();
    EXPECT_EQ(released, 6);
    EXPECT_TRUE(event.isSet() && event.waitFor(0.01) && event.wait()) << "still set for later waiters";
    EXPECT_TRUE(event.reset());
    EXPECT_FALSE(event.isSet());
    EXPECT_FALSE(onOtherThread([&] { return event.waitFor(0.01); }));
}
