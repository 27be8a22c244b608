#include "tessemaphore.h"

#include <gtest/gtest.h>

#include "boundedwait.h"

using namespace testsupport;

TEST(TesSemaphore, CreationChecksItsCountsAndWithoutOneEveryCallFails) {
    const struct {
        int32_t initial, maximum;
        bool created;
    } rows[] = {{0, 1, true}, {1, 1, true}, {INT32_MAX, INT32_MAX, true}, {-1, 1, false}, {0, 0, false}, {2, 1, false}};
    for (const auto& row : rows) {
        TesSemaphore semaphore(row.initial, row.maximum);
        EXPECT_EQ(!semaphore.isNull(), row.created) << row.initial << " / " << row.maximum;
        int32_t previous = 77;
        if (!row.created) {
            EXPECT_FALSE(semaphore.release(1, &previous) || semaphore.wait() || semaphore.waitFor(0.01));
        }
        EXPECT_EQ(previous, 77);
    }
}

TEST(TesSemaphore, ReleaseStaysWithinTheMaximumWithoutOverflow) {
    const struct {
        int32_t maximum, before, count;
        bool accepted;
    } rows[] = {
        {3, 0, 0, false},      {3, 0, -1, false},    {3, 0, INT32_MIN, false},        {3, 0, 4, false},
        {3, 1, 2, true},       {3, 3, 1, false},     {INT32_MAX, INT32_MAX - 1, 2, false},
        {INT32_MAX, INT32_MAX - 1, INT32_MAX, false}, {INT32_MAX, INT32_MAX - 1, 1, true},
    };
    for (const auto& row : rows) {
        TesSemaphore semaphore(row.before, row.maximum);
        int32_t previous = -1;
        EXPECT_EQ(semaphore.release(row.count, &previous), row.accepted) << row.before << " + " << row.count;
        EXPECT_EQ(previous, row.accepted ? row.before : -1) << row.before << " + " << row.count;
    }
    TesSemaphore semaphore(1, 3);
    ASSERT_TRUE(semaphore.release(2));
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(semaphore.tryWait()) << i;
    EXPECT_FALSE(semaphore.tryWait());
    EXPECT_TRUE(timesOutAfter(0.02, [&] { return semaphore.waitFor(0.02); }));
}
