// BlockBitVector's storage decisions, growth, and records. Its bits against a
// model, mixed with BitVector, are the property test's (bitvector_test.cpp).
#include "blockbitvector.h"

#include <gtest/gtest.h>

#include "bitblockcache.h"
#include "bitsetmodel.h"

namespace {

using bitsetmodel::record;
using bitsetmodel::setBits;
using bitsetmodel::written;
using Bits = std::vector<int32_t>;

constexpr int32_t kBlock = BlockBitVector::kBlockBits;
constexpr uint32_t kTag = BlockBitVector::kMagicWord;

BlockBitVector withBits(std::initializer_list<int32_t> bits, int32_t size = 0) {
    return bitsetmodel::withBits<BlockBitVector>(bits, size);
}

// Block 0 empty, block 1 full, block 2 stored with bits 3 and 7000.
BlockBitVector threeKinds() {
    BlockBitVector vector = withBits({2 * kBlock + 3, 2 * kBlock + 7000}, 3 * kBlock);
    vector.setRange(kBlock, 2 * kBlock - 1);
    return vector;
}

TEST(BlockBitVector, GrowsToTheBlockOfASetBitPlusOneAndRangesMakeWholeBlocksWithoutStorage) {
    EXPECT_EQ(BlockBitVector(-1).lastBlock(), 0);
    EXPECT_EQ(BlockBitVector(2 * kBlock - 1).lastBlock(), 0);
    EXPECT_EQ(BlockBitVector(2 * kBlock).lastBlock(), 1);
    BlockBitVector vector = withBits({5, 40000}, 40000);
    EXPECT_EQ(vector.lastBlock(), 2);
    EXPECT_EQ(vector.knownCount(), 2);
    vector.setRange(100, 3 * kBlock + 31);
    EXPECT_EQ(vector.lastBlock(), 4) << "a range grows like setting its last bit";
    EXPECT_TRUE(vector.blockStored(0) && vector.blockStored(3));
    EXPECT_FALSE(vector.blockStored(1) || vector.blockStored(2)) << "whole blocks: full without storage";
    vector.clearRange(6, 100 * kBlock);
    EXPECT_EQ(vector.lastBlock(), 4) << "clearing is cut to the vector";
    EXPECT_FALSE(vector.blockStored(1) || vector.blockStored(3)) << "whole blocks: empty without storage";
    vector.set(INT32_MAX);
    EXPECT_EQ(vector.lastBlock(), 65536);
    EXPECT_EQ(setBits(vector), (Bits{5, INT32_MAX}));
}

TEST(BlockBitVector, CountsBoundTheUsedBitsAndEqualityNeedsEqualTotals) {
    EXPECT_EQ(BlockBitVector(9 * kBlock).highestUsedBitBound(), 0);
    EXPECT_TRUE(threeKinds() == BlockBitVector(BitVector(threeKinds()))) << "full and empty blocks against stored";
    EXPECT_FALSE(withBits({5}) == withBits({5, 9})) << "every bit of one set in the other is not enough";
    EXPECT_FALSE(withBits({5}) == withBits({kBlock + 5})) << "equal totals in other blocks";
    BlockBitVector unknown{BitVector(70000)};
    EXPECT_EQ(unknown.blockCount(0), -1) << "blocks taken from a BitVector start uncounted";
    EXPECT_EQ(unknown.highestUsedBitBound(), 3 * kBlock) << "blocks of unknown count are in use until counted";
    unknown.normalise();
    EXPECT_EQ(unknown.highestUsedBitBound(), 0);
}

// This block kind against the other's: the cases the counts decide, leaving no storage.
TEST(BlockBitVector, CombiningDecidesEmptyAndFullBlocksFromTheCounts) {
    enum Kind { kEmpty, kFull, kStored };
    auto blockOf = [](Kind kind) {
        BlockBitVector vector(kBlock);
        if (kind == kFull) vector.setRange(0, kBlock - 1);
        if (kind == kStored) vector.setRange(1, 2);
        return vector;
    };
    struct Row {
        Kind mine, theirs;
        char op;
        int32_t count;
    };
    const Row rows[] = {
        {kFull, kEmpty, '&', 0},       {kFull, kFull, '&', kBlock},    {kEmpty, kStored, '&', 0},
        {kEmpty, kFull, '|', kBlock},  {kStored, kFull, '|', kBlock},  {kFull, kStored, '|', kBlock},
        {kEmpty, kEmpty, '|', 0},      {kFull, kFull, '^', 0},         {kEmpty, kFull, '^', kBlock},
        {kFull, kFull, '-', 0},        {kStored, kFull, '-', 0},       {kEmpty, kStored, '-', 0},
        {kStored, kFull, '^', -1},  // the stored block inverted in place, its count unknown
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.mine << row.op << row.theirs);
        BlockBitVector mine = blockOf(row.mine);
        const BlockBitVector theirs = blockOf(row.theirs);
        if (row.op == '&') mine &= theirs;
        if (row.op == '|') mine |= theirs;
        if (row.op == '^') mine ^= theirs;
        if (row.op == '-') mine.andNot(theirs);
        EXPECT_EQ(mine.blockStored(0), row.count % kBlock != 0);
        EXPECT_EQ(mine.blockCount(0), row.count);
    }
}

TEST(BlockBitVector, TestMoveAndSwapSeeEveryKindOfBlock) {
    BlockBitVector vector = threeKinds();
    for (const auto& [bit, set] : {std::pair{-1, false}, {5, false}, {kBlock + 5, true}, {2 * kBlock + 3, true},
                                   {2 * kBlock + 4, false}, {3 * kBlock, false}}) {
        EXPECT_EQ(vector.test(bit), set) << bit;
    }
    BlockBitVector moved(std::move(vector));
    EXPECT_TRUE(moved.test(2 * kBlock + 3));
    EXPECT_EQ(vector.lastBlock(), -1);  // NOLINT: the moved-from vector has no blocks
    vector.set(7);
    moved.swap(vector);
    EXPECT_EQ(setBits(moved), Bits{7});
    EXPECT_EQ(vector.lastBlock(), 2);
}

// At most 512 spare blocks, the latest given handed out first, filled as asked.
TEST(BitBlockCache, KeepsAtMost512SpareBlocksAndGivesTheLatestFirst) {
    BitBlockCache::purge();
    {
        BlockBitVector vector(600 * kBlock);
        for (int32_t block = 0; block < 600; ++block) vector.set(block * kBlock + 1);
    }
    EXPECT_EQ(BitBlockCache::spareCount(), BitBlockCache::kCapacity) << "the blocks beyond 512 are freed";
    uint32_t* latest = BitBlockCache::take(3);
    EXPECT_EQ(latest[2], ~0u);
    EXPECT_EQ(latest[3], 0u);
    BitBlockCache::give(latest);
    const uint32_t words[2] = {7, 9};
    uint32_t* copy = BitBlockCache::takeCopy(words, 2);
    EXPECT_EQ(copy, latest);
    EXPECT_EQ(copy[1], 9u);
    EXPECT_EQ(copy[2], 0u);
    BitBlockCache::give(copy);
    BitBlockCache::give(nullptr);
    BitBlockCache::purge();
    EXPECT_EQ(BitBlockCache::spareCount(), 0);
}

TEST(BlockBitVectorRecord, BytesOfBothForms) {
    const BlockBitVector vector = withBits({1, 33}, 5 * kBlock);
    EXPECT_EQ(written(vector, 13), record({kTag, 1024, 32767, 1, 2, 1, 33})) << "only the blocks up to the last used";
    EXPECT_EQ(written(vector, 12).size(), 20u + 4096u) << "dense from version 1 to 12";
    const std::vector<uint8_t> dense = written(threeKinds(), 4);
    ASSERT_EQ(dense.size(), 20u + 3u * 4096u);
    const std::vector<uint8_t> header = record({kTag, 3072, 3 * kBlock - 1, 0, 0xFFFFFFFF});
    EXPECT_TRUE(std::equal(header.begin(), header.end(), dense.begin())) << "the count stays unknown";
    EXPECT_EQ(dense[20], 0x00) << "the empty block as zeros";
    EXPECT_EQ(dense[20 + 4096], 0xFF) << "the full block as ones";
    EXPECT_EQ(dense[20 + 8192 + 3], 0x08) << "bit 3 of the stored block";
}

TEST(BlockBitVectorRecord, ReadingKeepsWhatTheRecordDoesNotCover) {
    BlockBitVector vector = withBits({5, 4 * kBlock + 9});
    MemoryInput dense(record({kTag, 2, 12345, 0, 77, 0x10, 0}));
    ASSERT_TRUE(vector.read(dense));
    EXPECT_EQ(setBits(vector), (Bits{4, 4 * kBlock + 9})) << "block 0 replaced, block 4 kept";
    MemoryInput sparse(record({kTag, 1024, 0, 1, 2, 6, 3 * kBlock}));
    ASSERT_TRUE(vector.read(sparse));
    EXPECT_EQ(setBits(vector), (Bits{4, 6, 3 * kBlock, 4 * kBlock + 9})) << "the sparse form only sets bits";
    EXPECT_EQ(vector.knownCount(), 4) << "the total is recounted, not the indices read";
}

TEST(BlockBitVectorRecord, BadRecordsAreRefused) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        Bits bits;
    };
    const Row rows[] = {
        {"foreign tag", record({0x315E98D6, 1, 31, 0, 0, 1}), false, {7}},
        {"other version", record({0x315E9700, 1, 31, 0, 1, 1}), true, {0}},
        {"no words", record({kTag, 0, 31, 0, 0}), false, {7}},
        {"too many words", record({kTag, (1u << 26) + 1, 31, 0, 0}), false, {7}},
        {"sparse flag 3", record({kTag, 1, 31, 3, 0, 1}), false, {7}},
        {"negative count", record({kTag, 1024, 32767, 1, 0xFFFFFFFE}), false, {7}},
        {"claims more than the input", record({kTag, 1u << 26, INT32_MAX, 0, 0, 1}), false, {7}},
        {"negative index", record({kTag, 1024, 32767, 1, 2, 9, 0x80000000}), false, {7, 9}},
        {"header cut short", record({kTag, 1024}), false, {7}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BlockBitVector vector = withBits({7});
        MemoryInput in(row.bytes);
        EXPECT_EQ(vector.read(in), row.result);
        EXPECT_EQ(setBits(vector), row.bits);
        EXPECT_EQ(vector.lastBlock(), 0);
    }
}

}  // namespace
