#include "refrandom.h"

#include <gtest/gtest.h>

#include <vector>

#include "iptr.h"
#include "refhost.h"
#include "tesobject.h"

namespace {

std::vector<int32_t> draws(RefRandom& random, int32_t bound, int count) {
    std::vector<int32_t> values;
    for (int index = 0; index < count; ++index) values.push_back(random.below(bound));
    return values;
}

TEST(RefRandom, ASeedGivesTheSameSequenceAndValuesStayBelowTheBound) {
    IPtr<RefRandom> first(new RefRandom);
    IPtr<RefRandom> second(new RefRandom);
    first->seed(612);
    second->seed(612);
    EXPECT_EQ(draws(*first, 1000, 50), draws(*second, 1000, 50));
    second->seed(613);
    EXPECT_NE(draws(*first, 1000, 50), draws(*second, 1000, 50));
    struct Case {
        int32_t bound, lowest, highest;
    };
    for (const Case& c : {Case{-5, 0, 0}, Case{0, 0, 0}, Case{1, 0, 0}, Case{2, 0, 1}, Case{7, 0, 6},
                          Case{INT32_MAX, 0, INT32_MAX - 1}}) {
        for (int32_t value : draws(*first, c.bound, 200)) {
            ASSERT_GE(value, c.lowest) << c.bound;
            ASSERT_LE(value, c.highest) << c.bound;
        }
    }
    std::vector<int> histogram(6, 0);
    for (int32_t value : draws(*first, 6, 6000)) ++histogram[static_cast<size_t>(value)];
    for (int count : histogram) EXPECT_NEAR(count, 1000, 150);
}

TEST(RefRandom, TheHostOffersItAsITesRandom) {
    RefHost host;
    void* service = nullptr;
    EXPECT_EQ(host.manager().getService("ITesRandom", &service), 1);
    ASSERT_NE(service, nullptr);
    EXPECT_EQ(static_cast<ITesRandom*>(service), static_cast<ITesRandom*>(&host.random()));
    EXPECT_EQ(tesQuery<ITesRandom>(&host.random(), "ITesRandom"), &host.random());
    EXPECT_STREQ(host.random().className(), "RefRandom");
}

}  // namespace
