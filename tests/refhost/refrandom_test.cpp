#include "infrastructure/refrandom.h"

#include <gtest/gtest.h>

#include <vector>

#include "iptr.h"
#include "refhost.h"

namespace {

std::vector<int32_t> draws(RefRandom& random, int32_t bound, int count) {
    std::vector<int32_t> values;
    for (int index = 0; index < count; ++index) values.push_back(random.below(bound));
    return values;
}

// A bound of 0 or less gives 0; the six faces of a die come up evenly.
TEST(RefRandom, ASeedGivesTheSameSequenceAndValuesStayBelowTheBound) {
    IPtr<RefRandom> first(new RefRandom);
    IPtr<RefRandom> second(new RefRandom);
    first->seed(612);
    second->seed(612);
    EXPECT_EQ(draws(*first, 1000, 50), draws(*second, 1000, 50));
    second->seed(613);
    EXPECT_NE(draws(*first, 1000, 50), draws(*second, 1000, 50));
    for (const auto& [bound, highest] : {std::pair{-5, 0}, {0, 0}, {1, 0}, {2, 1}, {INT32_MAX, INT32_MAX - 1}}) {
        for (int32_t value : draws(*first, bound, 200)) {
            ASSERT_GE(value, 0) << bound;
            ASSERT_LE(value, highest) << bound;
        }
    }
    std::vector<int> histogram(6, 0);
    for (int32_t value : draws(*first, 6, 6000)) ++histogram[static_cast<size_t>(value)];
    for (int count : histogram) EXPECT_NEAR(count, 1000, 150);

    RefHost host;
    void* service = nullptr;
    EXPECT_EQ(host.manager().getService("ITesRandom", &service), 1);
    EXPECT_EQ(static_cast<ITesRandom*>(service), static_cast<ITesRandom*>(&host.random()));
}

}  // namespace
