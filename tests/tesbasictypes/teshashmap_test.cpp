#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

#include "primetable.h"
#include "teshashmap.h"

namespace {

struct IdentityHash {
    uint32_t operator()(uint32_t key) const { return key; }
};

using Map = TesHashMap<uint32_t, int, IdentityHash>;

std::vector<uint32_t> keysInOrder(const Map& map) {
    std::vector<uint32_t> keys;
    for (auto cursor = map.first(); cursor.valid(); map.next(cursor)) keys.push_back(cursor.key());
    return keys;
}

TEST(PrimeTable, NextPrimeIsTheFirstEntryStrictlyAbove) {
    const std::vector<std::pair<uint32_t, uint32_t>> cases = {
        {0, 2},           {1, 2},           {2, 3},           {4, 5},          {5, 11},
        {17, 37},         {99, 131},        {131, 257},       {1073741826, 1073741827},
        {1073741827, 2147483659u},          {2147483659u, 2147483659u},     {4294967295u, 2147483659u}};
    for (const auto& [n, expected] : cases) EXPECT_EQ(tesNextPrime(n), expected) << n;
}

TEST(TesHashMap, GrowsThroughThePrimeTableAtEightyPercent) {
    Map map(2);
    const std::vector<std::pair<int, uint32_t>> bucketsAfter = {
        {1, 2}, {2, 3}, {3, 5}, {4, 11}, {8, 11}, {9, 17}, {13, 17}, {14, 37}, {29, 37}, {30, 67}, {54, 131}};
    uint32_t next = 0;
    for (const auto& [count, buckets] : bucketsAfter) {
        while (map.count() < count) *map.findOrInsert(next++) = 1;
        EXPECT_EQ(map.bucketCount(), buckets) << "after " << count;
    }
}

TEST(TesHashMap, NewNodesGoToTheHeadOfTheirChain) {
    Map map(17);
    for (uint32_t key : {3u, 20u, 37u, 1u}) *map.findOrInsert(key) = static_cast<int>(key);
    // 3, 20 and 37 share bucket 3; the last inserted comes first.
    EXPECT_EQ(keysInOrder(map), (std::vector<uint32_t>{1, 37, 20, 3}));
}

TEST(TesHashMap, RehashWalksBucketsInOrderAndPrependsAgain) {
    Map map(3);
    *map.findOrInsert(0) = 0;
    *map.findOrInsert(3) = 3;  // count 2 < 2.4: bucket 0 holds 3, 0
    EXPECT_EQ(map.bucketCount(), 3u);
    *map.findOrInsert(6) = 6;  // count 3 >= 2.4: grows to 5
    EXPECT_EQ(map.bucketCount(), 5u);
    // Old chain 6, 3, 0 rehashed in that order: 6 -> 1, 3 -> 3, 0 -> 0.
    EXPECT_EQ(keysInOrder(map), (std::vector<uint32_t>{0, 6, 3}));
}

TEST(TesHashMap, FindInsertRemoveAgainstAnOracle) {
    std::mt19937 random(1234);
    Map map(17);
    std::map<uint32_t, int> oracle;
    for (int step = 0; step < 20000; ++step) {
        const uint32_t key = random() % 3000;
        switch (random() % 3) {
            case 0:
                *map.findOrInsert(key) = step;
                oracle[key] = step;
                break;
            case 1:
                EXPECT_EQ(map.remove(key), oracle.erase(key) == 1);
                break;
            default: {
                int* found = map.find(key);
                auto expected = oracle.find(key);
                ASSERT_EQ(found != nullptr, expected != oracle.end());
                if (found != nullptr) {
                    EXPECT_EQ(*found, expected->second);
                }
            }
        }
    }
    EXPECT_EQ(map.count(), static_cast<int32_t>(oracle.size()));
    std::vector<uint32_t> keys = keysInOrder(map);
    std::sort(keys.begin(), keys.end());
    std::vector<uint32_t> expectedKeys;
    for (const auto& entry : oracle) expectedKeys.push_back(entry.first);
    EXPECT_EQ(keys, expectedKeys);
}

TEST(TesHashMap, EmptyMapHasNoBucketsToWalk) {
    Map map(131);
    EXPECT_EQ(map.find(5), nullptr);
    EXPECT_FALSE(map.remove(5));
    EXPECT_FALSE(map.first().valid());
    auto cursor = map.first();
    map.next(cursor);
    EXPECT_FALSE(cursor.valid());
    *map.findOrInsert(5) = 1;
    map.clear();
    EXPECT_EQ(map.count(), 0);
    EXPECT_EQ(map.find(5), nullptr);
    *map.findOrInsert(5) = 2;
    EXPECT_EQ(*map.find(5), 2);
}

}  // namespace
