#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

#include "teshashmap.h"

namespace {

struct IdentityHash {
    uint32_t operator()(uint32_t key) const { return key; }
};

using Map = TesHashMap<uint32_t, int, IdentityHash>;
using Keys = std::vector<uint32_t>;

Keys keysInOrder(const Map& map) {
    Keys keys;
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) keys.push_back(cursor.key());
    return keys;
}

TEST(TesHashMap, GrowsThroughThePrimeTableAtEightyPercent) {
    Map map(2);
    uint32_t next = 0;
    for (const auto& [count, buckets] : {std::pair{1, 2u}, {2, 3u}, {3, 5u}, {4, 11u}, {8, 11u}, {9, 17u}, {13, 17u},
                                         {14, 37u}, {29, 37u}, {30, 67u}, {54, 131u}}) {
        while (map.count() < count) *map.findOrInsert(next++) = 1;
        EXPECT_EQ(map.bucketCount(), buckets) << "after " << count;
    }
}

// Iteration runs bucket by bucket, each chain from its head.
TEST(TesHashMap, NewNodesGoToTheHeadOfTheirChainAlsoWhenRehashed) {
    Map map(17);
    for (uint32_t key : {3u, 20u, 37u, 1u}) *map.findOrInsert(key) = 1;
    EXPECT_EQ(keysInOrder(map), (Keys{1, 37, 20, 3})) << "3, 20 and 37 share bucket 3";
    Map growing(3);
    for (uint32_t key : {0u, 3u, 6u}) *growing.findOrInsert(key) = 1;
    // At count 3 bucket 0's chain 6, 3, 0 moves to 5 buckets in that order.
    EXPECT_EQ(keysInOrder(growing), (Keys{0, 6, 3}));
}

TEST(TesHashMap, FindInsertRemoveAgainstAnOracle) {
    Map map(131);
    EXPECT_FALSE(map.remove(5) || map.first().valid()) << "no buckets yet";
    std::mt19937 random(1234);
    std::map<uint32_t, int> oracle;
    for (int step = 0; step < 20000; ++step) {
        const uint32_t key = random() % 3000;
        const uint32_t operation = random() % 3;
        if (operation == 0) {
            *map.findOrInsert(key) = step;
            oracle[key] = step;
        } else if (operation == 1) {
            ASSERT_EQ(map.remove(key), oracle.erase(key) == 1) << step;
        } else {
            const int* found = map.find(key);
            ASSERT_EQ(found != nullptr ? *found : -1, oracle.contains(key) ? oracle[key] : -1) << step;
        }
    }
    int32_t walked = 0;
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor), ++walked) {
        EXPECT_TRUE(oracle.contains(cursor.key()) && cursor.value() == oracle[cursor.key()]) << cursor.key();
    }
    EXPECT_EQ(walked, static_cast<int32_t>(oracle.size()));
    map.clear();
    EXPECT_TRUE(map.count() == 0 && map.find(5) == nullptr && !map.first().valid());
    *map.findOrInsert(5) = 2;
    EXPECT_EQ(*map.find(5), 2) << "usable again after clear";
}

}  // namespace
