#include "intarray.h"

#include <gtest/gtest.h>

#include <random>
#include <utility>
#include <vector>

#include "bitvector.h"
#include "memorystreams.h"

namespace {

using TesMM::IntArray;

std::vector<std::pair<int32_t, int32_t>> nonZero(const IntArray& array) {
    std::vector<std::pair<int32_t, int32_t>> entries;
    IntArray::NonZeroIter entry(array);
    for (entry.reset(); !entry.atEnd(); entry.advance()) entries.emplace_back(entry.index(), entry.value());
    return entries;
}

IntArray& fill(IntArray& array, const std::vector<int32_t>& values) {
    for (size_t index = 0; index < values.size(); ++index) array.set(static_cast<int32_t>(index), values[index]);
    return array;
}

std::vector<uint8_t> record(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes;
    for (uint32_t value : values) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    return bytes;
}

TEST(IntArray, SetGrowsByTheCapacityRuleInWholePages) {
    IntArray array;
    EXPECT_EQ(array.size(), 0);
    EXPECT_EQ(array.get(0), 0);
    EXPECT_EQ(array.get(-4), 0);
    struct Case {
        int32_t index, value, size;
    };
    for (const Case& c : {Case{5, 7, 2048}, Case{2047, -1, 2048}, Case{2048, 3, 4096}, Case{3000, 0, 4096},
                          Case{4096, 9, 8192}, Case{20000, 1, 32768}}) {
        EXPECT_TRUE(array.set(c.index, c.value)) << c.index;
        EXPECT_EQ(array.size(), c.size) << c.index;
        EXPECT_EQ(array.get(c.index), c.value) << c.index;
    }
    EXPECT_EQ(array.get(6), 0);
    EXPECT_EQ(array.get(40000), 0) << "beyond the size";
    EXPECT_EQ(array.page(5), nullptr) << "pages only where a value was written";
    EXPECT_FALSE(array.set(-1, 5));
    EXPECT_FALSE(array.set(IntArray::kMaxEntries, 5));
    EXPECT_EQ(array.size(), 32768);
}

TEST(IntArray, WalkVisitsNonZeroEntriesInOrderAcrossPages) {
    IntArray array(10000);
    for (int32_t index : {9000, 5, 2048, 2047}) array.set(index, index + 1);
    array.set(6, 0);
    IntArray::NonZeroIter entry(array);
    EXPECT_EQ(entry.index(), -1) << "starts before the first entry";
    EXPECT_EQ(nonZero(array), (std::vector<std::pair<int32_t, int32_t>>{{5, 6}, {2047, 2048}, {2048, 2049}, {9000, 9001}}));
    entry.reset();
    for (int step = 0; step < 4; ++step) entry.advance();
    EXPECT_TRUE(entry.atEnd());
    EXPECT_EQ(entry.index(), array.size());
    EXPECT_TRUE(nonZero(IntArray()).empty());
}

TEST(IntArray, EqualityCountsEntriesBeyondTheSizeAsZero) {
    IntArray small(3);
    IntArray large(9000);
    fill(small, {0, 4, 0});
    fill(large, {0, 4});
    EXPECT_TRUE(small == large);
    large.set(8000, 1);
    EXPECT_FALSE(small == large);
    large.set(8000, 0);
    EXPECT_TRUE(large == small);
}

TEST(IntArray, IdentityInverseAndRelocation) {
    IntArray identity;
    identity.identity(1, 5);
    EXPECT_EQ(nonZero(identity), (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}}));
    IntArray whole(4);
    whole.identity(2);
    EXPECT_EQ(whole.get(3), 3) << "last < 0: up to size - 1";
    EXPECT_EQ(whole.get(4), 0);
    BitVector bits;
    bits.set(3);
    bits.set(70);
    IntArray onBits;
    onBits.identity(bits);
    EXPECT_EQ(nonZero(onBits), (std::vector<std::pair<int32_t, int32_t>>{{3, 3}, {70, 70}}));

    IntArray source;
    fill(source, {0, 3, 0, 1, -2});
    IntArray target;
    source.inverseInto(target);
    EXPECT_EQ(nonZero(target), (std::vector<std::pair<int32_t, int32_t>>{{1, 3}, {3, 1}}));

    IntArray moved;
    fill(moved, {10, 20, 30, 40, 0});
    IntArray moves(5);  // exactly five entries: entry 7 is beyond the moves and keeps what it gets
    fill(moves, {0, 7, 2, 0, 1});
    moved.relocate(moves);
    // 0 -> cleared; 1 moves to 7; 2 stays (moves onto itself); 3 cleared; 4 is 0.
    EXPECT_EQ(nonZero(moved), (std::vector<std::pair<int32_t, int32_t>>{{2, 30}, {7, 20}}));
    moved.relocate(IntArray());
    EXPECT_TRUE(nonZero(moved).empty()) << "an empty move list leaves one zero entry";
}

TEST(IntArray, FindShortensOnlyTheEntryAskedAndJoinPointsTheLargerRoot) {
    IntArray classes;
    classes.identity(1, 5);
    EXPECT_EQ(classes.join(2, 4), 2);
    EXPECT_EQ(classes.join(4, 5), 2);
    EXPECT_EQ(classes.get(5), 2);
    EXPECT_EQ(classes.find(5), 2);
    EXPECT_EQ(classes.join(5, 2), 2) << "same class: nothing changes";
    EXPECT_EQ(nonZero(classes), (std::vector<std::pair<int32_t, int32_t>>{{1, 1}, {2, 2}, {3, 3}, {4, 2}, {5, 2}}));

    IntArray chain;
    fill(chain, {0, 0, 1, 2, 3});  // 4 -> 3 -> 2 -> 1 -> 0
    EXPECT_EQ(chain.find(4), 0);
    EXPECT_EQ(chain.get(4), 0);
    EXPECT_EQ(chain.get(3), 2) << "only entry i is shortened";

    IntArray grows(4);
    EXPECT_EQ(grows.find(5000), 0) << "entry 0 holds 0";
    EXPECT_GE(grows.size(), 5001);
    EXPECT_EQ(grows.find(-1), -1);

    IntArray cycle;
    fill(cycle, {0, 2, 1});
    EXPECT_EQ(cycle.find(1), -1) << "a cycle from read data has no root";
    EXPECT_EQ(cycle.join(1, 0), -1);
    EXPECT_EQ(cycle.get(1), 2);
}

// The plain model of the same forest: find shortens only entry i, join
// points the larger root at the smaller.
struct ForestModel {
    std::vector<int32_t> entries;
    int32_t find(int32_t index) {
        int32_t root = index;
        while (entries[static_cast<size_t>(root)] != root) root = entries[static_cast<size_t>(root)];
        entries[static_cast<size_t>(index)] = root;
        return root;
    }
    int32_t join(int32_t a, int32_t b) {
        const int32_t rootA = find(a);
        const int32_t rootB = find(b);
        if (rootA == rootB) return rootA;
        entries[static_cast<size_t>(std::max(rootA, rootB))] = std::min(rootA, rootB);
        return std::min(rootA, rootB);
    }
};

TEST(IntArray, RandomUnionsMatchThePlainForest) {
    constexpr int32_t kElements = 5000;
    std::mt19937 random(11);
    std::uniform_int_distribution<int32_t> element(0, kElements - 1);
    IntArray forest;
    forest.identity(0, kElements - 1);
    ForestModel model;
    for (int32_t index = 0; index < kElements; ++index) model.entries.push_back(index);
    for (int step = 0; step < 8000; ++step) {
        const int32_t a = element(random);
        const int32_t b = element(random);
        if (step % 3 == 0) {
            ASSERT_EQ(forest.find(a), model.find(a)) << step;
        } else {
            ASSERT_EQ(forest.join(a, b), model.join(a, b)) << step;
        }
    }
    for (int32_t index = 0; index < kElements; ++index) {
        ASSERT_EQ(forest.get(index), model.entries[static_cast<size_t>(index)]) << index;
    }
}

TEST(IntArrayRecord, WritesTheCountAndTheEntries) {
    IntArray array(3);
    array.set(1, 5);
    array.set(2, -2);
    MemoryOutput out;
    ASSERT_TRUE(array.write(out));
    ASSERT_TRUE(array.write(out, 2));
    ASSERT_TRUE(array.write(out, 9));
    out.flush();
    EXPECT_EQ(out.bytes, record({3, 0, 5, 0xFFFFFFFE, 2, 0, 5, 3, 0, 5, 0xFFFFFFFE}));

    IntArray back;
    MemoryInput in(out.bytes);
    ASSERT_TRUE(back.read(in));
    EXPECT_TRUE(back == array);
    EXPECT_EQ(back.size(), 2048) << "resized in whole pages";
    ASSERT_TRUE(back.read(in));
    EXPECT_EQ(back.get(2), -2) << "entries beyond the record's count stay as they were";
    IntArray paged(5000);
    paged.set(4999, 8);
    MemoryOutput pagedOut;
    ASSERT_TRUE(paged.write(pagedOut));
    pagedOut.flush();
    EXPECT_EQ(pagedOut.bytes.size(), 4u + 5000u * 4u) << "missing pages as zeros";
}

TEST(IntArrayRecord, BadCountsAreRefusedBeforeAnythingChanges) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        int32_t entry1;
    };
    const std::vector<Case> cases = {
        {"negative count", record({0xFFFFFFFF, 1}), false, 7},
        {"count beyond the page arithmetic", record({0x7FFFF801, 1}), false, 7},
        {"count above the input", record({1000, 1, 2}), false, 7},
        {"no count", record({}), false, 7},
        {"zero entries", record({0}), true, 0},
        {"two entries", record({2, 4, 9}), true, 9},
    };
    for (const Case& c : cases) {
        IntArray array;
        array.set(1, 7);
        MemoryInput in(c.bytes);
        EXPECT_EQ(array.read(in), c.result) << c.name;
        EXPECT_EQ(array.get(1), c.entry1) << c.name;
    }
}

}  // namespace
