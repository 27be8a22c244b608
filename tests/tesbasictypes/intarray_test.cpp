#include "intarray.h"

#include <gtest/gtest.h>

#include <numeric>
#include <random>
#include <utility>
#include <vector>

#include "bitsetmodel.h"
#include "memorystreams.h"

namespace {

using bitsetmodel::record;
using TesMM::IntArray;
using Entries = std::vector<std::pair<int32_t, int32_t>>;

Entries nonZero(const IntArray& array) {
    Entries entries;
    IntArray::NonZeroIter entry(array);
    for (entry.reset(); !entry.atEnd(); entry.advance()) entries.emplace_back(entry.index(), entry.value());
    return entries;
}

IntArray& fill(IntArray& array, const std::vector<int32_t>& values) {
    for (size_t index = 0; index < values.size(); ++index) array.set(static_cast<int32_t>(index), values[index]);
    return array;
}

TEST(IntArray, SetGrowsInWholePagesAndTheWalkSkipsZerosAndMissingPages) {
    IntArray array;
    for (const auto& [index, size] : {std::pair{5, 2048}, {2047, 2048}, {2048, 4096}, {20000, 32768}}) {
        EXPECT_TRUE(array.set(index, index + 1));
        EXPECT_EQ(array.size(), size) << index;
    }
    EXPECT_FALSE(array.set(-1, 5));
    EXPECT_FALSE(array.set(IntArray::kMaxEntries, 5));
    EXPECT_TRUE(array.get(-4) == 0 && array.get(40000) == 0) << "outside the array";
    EXPECT_EQ(array.page(5), nullptr) << "pages only where a value was written";
    EXPECT_EQ(nonZero(array), (Entries{{5, 6}, {2047, 2048}, {2048, 2049}, {20000, 20001}}));
    IntArray small(3);
    IntArray large(9000);
    large.set(8000, 1);
    EXPECT_FALSE(fill(large, {0, 4}) == fill(small, {0, 4, 0}));
    large.set(8000, 0);
    EXPECT_TRUE(large == small) << "entries beyond the size count as 0";
}

TEST(IntArray, IdentityInverseAndRelocation) {
    IntArray identity(4);
    identity.identity(2);
    identity.identity(6, 7);
    identity.identity(bitsetmodel::withBits({70}));
    EXPECT_EQ(nonZero(identity), (Entries{{2, 2}, {3, 3}, {6, 6}, {7, 7}, {70, 70}})) << "last < 0: up to size - 1";
    IntArray source;
    IntArray target;
    fill(source, {0, 3, 0, 1, -2}).inverseInto(target);
    EXPECT_EQ(nonZero(target), (Entries{{1, 3}, {3, 1}}));
    IntArray moved;
    IntArray moves(5);  // 0 cleared; 1 to 7, beyond the moves, kept there; 2 onto itself; 3 cleared; 4 is 0
    fill(moved, {10, 20, 30, 40, 0}).relocate(fill(moves, {0, 7, 2, 0, 1}));
    EXPECT_EQ(nonZero(moved), (Entries{{2, 30}, {7, 20}}));
    moved.relocate(IntArray());
    EXPECT_TRUE(nonZero(moved).empty()) << "an empty move list leaves one zero entry";
}

// Against a plain forest: find shortens only entry i; join points the larger root at the smaller.
TEST(IntArray, FindsAndJoinsMatchThePlainForestAndFailOnBadIndicesAndCycles) {
    std::vector<int32_t> model(5000);
    std::iota(model.begin(), model.end(), 0);
    auto find = [&model](int32_t index) {
        int32_t root = index;
        while (model[static_cast<size_t>(root)] != root) root = model[static_cast<size_t>(root)];
        return model[static_cast<size_t>(index)] = root;
    };
    IntArray forest;
    forest.identity(0, 4999);
    std::mt19937 random(11);
    for (int step = 0; step < 8000; ++step) {
        const int32_t a = static_cast<int32_t>(random() % 5000);
        const int32_t b = static_cast<int32_t>(random() % 5000);
        const int32_t rootA = find(a);
        const int32_t rootB = step % 3 == 0 ? rootA : find(b);
        model[static_cast<size_t>(std::max(rootA, rootB))] = std::min(rootA, rootB);
        ASSERT_EQ(step % 3 == 0 ? forest.find(a) : forest.join(a, b), std::min(rootA, rootB)) << step;
    }
    for (int32_t index = 0; index < 5000; ++index) ASSERT_EQ(forest.get(index), model[static_cast<size_t>(index)]);
    EXPECT_EQ(forest.find(9000), 0) << "beyond the size: entry 0's class, the array grown";
    EXPECT_GT(forest.size(), 9000);
    EXPECT_EQ(forest.join(-1, 2), -1);
    IntArray cycle;
    EXPECT_EQ(fill(cycle, {0, 2, 1}).find(1), -1) << "a cycle, from read data, has no root";
    EXPECT_EQ(cycle.join(1, 0), -1);
    EXPECT_EQ(cycle.get(1), 2);
    EXPECT_EQ(fill(cycle, {0, 2, 1, 0, 3}).join(1, 4), -1);
    EXPECT_EQ(cycle.get(4), 0) << "the other side of a failed join is shortened all the same";
}

// Entries from read data (roots, cycles, negatives, indices past the end):
// join answers and writes what find(a), find(b) and the link do in turn.
TEST(IntArray, JoinOnReadDataMatchesTwoFinds) {
    constexpr int32_t kSize = IntArray::kPageLength;
    std::mt19937 random(5);
    auto below = [&random](int32_t bound) { return static_cast<int32_t>(random() % static_cast<uint32_t>(bound)); };
    for (int round = 0; round < 300; ++round) {
        std::vector<int32_t> model(kSize);
        for (int32_t i = 0; i < kSize; ++i) model[static_cast<size_t>(i)] = below(40) == 0 ? i : below(kSize + 4) - 2;
        IntArray array;
        fill(array, model);
        auto at = [&model](int32_t i) { return i >= 0 && i < kSize ? model[static_cast<size_t>(i)] : 0; };
        auto find = [&](int32_t index) {
            int32_t root = index;
            for (int32_t step = 0; at(root) != root; ++step, root = at(root)) {
                if (step == kSize + 2) return -1;
            }
            return model[static_cast<size_t>(index)] = root;
        };
        const int32_t a = below(kSize);
        const int32_t b = round % 5 == 0 ? a : below(kSize);
        const int32_t rootA = find(a);
        const int32_t rootB = find(b);
        if (rootA >= 0 && rootB >= 0) model[static_cast<size_t>(std::max(rootA, rootB))] = std::min(rootA, rootB);
        ASSERT_EQ(array.join(a, b), rootA < 0 || rootB < 0 ? -1 : std::min(rootA, rootB)) << round;
        for (int32_t i = 0; i < kSize; ++i) ASSERT_EQ(array.get(i), model[static_cast<size_t>(i)]) << round << " " << i;
    }
}

TEST(IntArrayRecord, TheCountThenTheEntriesAndBadCountsRefusedBeforeAnythingChanges) {
    IntArray array(3);
    fill(array, {0, 5, -2});
    MemoryOutput out;
    ASSERT_TRUE(array.write(out) && array.write(out, 2) && array.write(out, 9));
    IntArray paged(5000);
    paged.set(4999, 8);
    ASSERT_TRUE(paged.write(out));
    out.flush();
    EXPECT_EQ(std::vector<uint8_t>(out.bytes.begin(), out.bytes.begin() + 48),
              record({3, 0, 5, 0xFFFFFFFE, 2, 0, 5, 3, 0, 5, 0xFFFFFFFE, 5000}));
    EXPECT_EQ(out.bytes.size(), 48u + 5000u * 4u) << "missing pages as zeros";
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        int32_t entry1, entry2;
    };
    const Row rows[] = {
        {"two entries: the rest stays", record({2, 0, 0xFFFFFFFE}), true, -2, 8},
        {"negative count", record({0xFFFFFFFF, 1}), false, 7, 8},
        {"count beyond the page arithmetic", record({0x7FFFF801, 1}), false, 7, 8},
        {"count above the input", record({1000, 1, 2}), false, 7, 8},
        {"no count", record({}), false, 7, 8},
        {"zero entries", record({0}), true, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        IntArray back;
        fill(back, {0, 7, 8});
        MemoryInput in(row.bytes);
        EXPECT_EQ(back.read(in), row.result);
        EXPECT_EQ(back.get(1), row.entry1);
        EXPECT_EQ(back.get(2), row.entry2);
    }
}

}  // namespace
