#include "blockbitvector.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <vector>

#include "bitblockcache.h"
#include "iptr.h"
#include "memorystreams.h"
#include "nelrealloc.h"

namespace {

constexpr int32_t kBlock = BlockBitVector::kBlockBits;

BlockBitVector withBits(std::initializer_list<int32_t> bits, int32_t size = 0) {
    BlockBitVector vector(size);
    for (int32_t bit : bits) vector.set(bit);
    return vector;
}

std::vector<int32_t> setBits(const BlockBitVector& vector) {
    std::vector<int32_t> bits;
    for (int32_t bit = vector.nextSet(-1); bit >= 0; bit = vector.nextSet(bit)) bits.push_back(bit);
    return bits;
}

// Block 0 empty, block 1 full, block 2 stored with bits 3 and 40000 + 32768.
BlockBitVector threeKinds() {
    BlockBitVector vector(3 * kBlock);
    vector.setRange(kBlock, 2 * kBlock - 1);
    vector.set(2 * kBlock + 3);
    vector.set(2 * kBlock + 7000);
    return vector;
}

std::vector<uint8_t> record(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes;
    for (uint32_t value : values) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    return bytes;
}

std::vector<uint8_t> written(const BlockBitVector& vector, uint32_t version) {
    MemoryOutput out;
    out.setVersion(version);
    EXPECT_TRUE(vector.write(out));
    out.flush();
    return out.bytes;
}

TEST(BlockBitVector, ConstructionGivesAtLeastOneEmptyBlock) {
    struct Case {
        int32_t bits, lastBlock;
    };
    for (const Case& c : {Case{-1, 0}, Case{0, 0}, Case{kBlock - 1, 0}, Case{kBlock, 0}, Case{2 * kBlock - 1, 0},
                          Case{2 * kBlock, 1}, Case{100000, 2}}) {
        const BlockBitVector vector(c.bits);
        EXPECT_EQ(vector.lastBlock(), c.lastBlock) << c.bits;
        EXPECT_EQ(vector.count(), 0);
        EXPECT_FALSE(vector.blockStored(0));
    }
}

TEST(BlockBitVector, SetBeyondTheLastBlockGrowsToThatBlockPlusOne) {
    BlockBitVector vector(40000);
    EXPECT_EQ(vector.lastBlock(), 0);
    EXPECT_FALSE(vector.test(40000));
    EXPECT_TRUE(vector.set(40000));
    EXPECT_EQ(vector.lastBlock(), 2);
    EXPECT_TRUE(vector.test(40000));
    EXPECT_FALSE(vector.test(3 * kBlock + 5));
    EXPECT_EQ(vector.knownCount(), 1);
    EXPECT_TRUE(vector.set(5));
    EXPECT_EQ(vector.lastBlock(), 2) << "no growth inside the vector";
    EXPECT_FALSE(vector.set(-1));
    EXPECT_FALSE(vector.clear(-1));
    EXPECT_FALSE(vector.clear(9 * kBlock));
    EXPECT_FALSE(vector.clear(6)) << "nothing changed";
    EXPECT_TRUE(vector.clear(5));
    EXPECT_EQ(vector.knownCount(), 1);
    vector.set(INT32_MAX);
    EXPECT_EQ(vector.lastBlock(), 65536);
    EXPECT_EQ(vector.prevSet(INT32_MAX), 40000) << "the bits before the last one";
}

TEST(BlockBitVector, AFilledBlockNormalisesToFullWithoutStorage) {
    BlockBitVector vector(2 * kBlock);
    for (int32_t bit = kBlock; bit < 2 * kBlock; ++bit) vector.set(bit);
    EXPECT_TRUE(vector.blockStored(1));
    EXPECT_EQ(vector.blockCount(1), kBlock);
    vector.normalise();
    EXPECT_FALSE(vector.blockStored(1));
    EXPECT_EQ(vector.blockCount(1), kBlock);
    EXPECT_EQ(vector.count(), kBlock);
    for (int32_t bit = kBlock; bit < 2 * kBlock; ++bit) ASSERT_TRUE(vector.test(bit)) << bit;
    EXPECT_FALSE(vector.test(kBlock - 1));

    EXPECT_TRUE(vector.clear(kBlock + 100));
    EXPECT_TRUE(vector.blockStored(1)) << "a full block gets storage of all ones first";
    EXPECT_EQ(vector.blockCount(1), kBlock - 1);
    EXPECT_EQ(vector.knownCount(), kBlock - 1);
    EXPECT_FALSE(vector.test(kBlock + 100));
    EXPECT_TRUE(vector.test(kBlock + 101));

    for (int32_t bit = kBlock; bit < 2 * kBlock; ++bit) vector.clear(bit);
    vector.normalise();
    EXPECT_FALSE(vector.blockStored(1));
    EXPECT_EQ(vector.count(), 0);
}

TEST(BlockBitVector, RangesMakeWholeBlocksFullOrEmptyWithoutStorage) {
    struct Case {
        int32_t first, last;
        bool stored0, stored1, stored2;
    };
    for (const Case& c : {Case{0, kBlock - 1, false, false, false}, Case{1, kBlock - 1, true, false, false},
                          Case{kBlock, 3 * kBlock - 1, false, false, false}, Case{100, 2 * kBlock + 31, true, false, true},
                          Case{kBlock + 32, kBlock + 63, false, true, false}, Case{70000, 70000, false, false, true}}) {
        BlockBitVector vector(3 * kBlock);
        vector.setRange(c.first, c.last);
        EXPECT_EQ(vector.blockStored(0), c.stored0) << c.first << ".." << c.last;
        EXPECT_EQ(vector.blockStored(1), c.stored1) << c.first << ".." << c.last;
        EXPECT_EQ(vector.blockStored(2), c.stored2) << c.first << ".." << c.last;
        EXPECT_EQ(vector.count(), c.last - c.first + 1);
        EXPECT_EQ(vector.nextSet(-1), c.first);
        EXPECT_EQ(vector.prevSet(INT32_MAX), c.last);

        vector.clearRange(c.first, c.last);
        EXPECT_EQ(vector.count(), 0) << c.first << ".." << c.last;
        vector.normalise();
        for (int32_t block = 0; block < 3; ++block) EXPECT_FALSE(vector.blockStored(block));
    }
    BlockBitVector cut(kBlock);
    cut.setRange(kBlock - 2, 3 * kBlock);
    EXPECT_EQ(cut.lastBlock(), 4) << "setting a range grows like setting its last bit";
    cut.clearRange(5, 100 * kBlock);
    EXPECT_EQ(cut.lastBlock(), 4) << "clearing is cut to the vector";
    EXPECT_EQ(cut.count(), 0);
    cut.setRange(10, 5);
    EXPECT_EQ(cut.count(), 0);
}

TEST(BlockBitVector, SearchesSkipEmptyBlocksAndAnswerFullOnesAtOnce) {
    const BlockBitVector vector = threeKinds();
    struct Case {
        int32_t from, next, previous;
    };
    for (const Case& c : {Case{-1, kBlock, -1}, Case{0, kBlock, -1}, Case{kBlock - 1, kBlock, -1},
                          Case{kBlock, kBlock + 1, -1}, Case{kBlock + 5, kBlock + 6, kBlock + 4},
                          Case{2 * kBlock - 1, 2 * kBlock + 3, 2 * kBlock - 2}, Case{2 * kBlock + 3, 2 * kBlock + 7000, 2 * kBlock - 1},
                          Case{2 * kBlock + 7000, -1, 2 * kBlock + 3}, Case{INT32_MAX, -1, 2 * kBlock + 7000}}) {
        EXPECT_EQ(vector.nextSet(c.from), c.next) << c.from;
        EXPECT_EQ(vector.prevSet(c.from), c.previous) << c.from;
    }
    EXPECT_EQ(BlockBitVector().prevSet(100), -1);
    EXPECT_EQ(BlockBitVector().nextSet(-1), -1);
}

TEST(BlockBitVector, CountingRecountsUnknownBlocksAndBoundsTheUsedBits) {
    BlockBitVector vector = threeKinds();
    EXPECT_EQ(vector.knownCount(), -1) << "a range leaves the total unknown";
    EXPECT_EQ(vector.count(), kBlock + 2);
    EXPECT_EQ(vector.highestUsedBitBound(), 3 * kBlock);
    vector.clear(2 * kBlock + 3);
    vector.clear(2 * kBlock + 7000);
    EXPECT_EQ(vector.highestUsedBitBound(), 2 * kBlock);
    EXPECT_EQ(BlockBitVector(9 * kBlock).highestUsedBitBound(), 0);

    BlockBitVector unknown{BitVector(70000)};
    EXPECT_EQ(unknown.highestUsedBitBound(), 3 * kBlock) << "blocks of unknown count are in use until counted";
    unknown.normalise();
    EXPECT_EQ(unknown.highestUsedBitBound(), 0);
}

// This block kind against the other's, per operation: whether the block ends
// with storage, and its bits.
TEST(BlockBitVector, CombiningDecidesEmptyAndFullBlocksFromTheCounts) {
    enum Kind { kEmpty, kFull, kStored };
    auto blockOf = [](Kind kind) {
        BlockBitVector vector(kBlock);
        if (kind == kFull) vector.setRange(0, kBlock - 1);
        if (kind == kStored) {
            vector.set(1);
            vector.set(2);
        }
        return vector;
    };
    struct Case {
        Kind mine, theirs;
        char op;
        bool stored;
        int32_t count;
    };
    const std::vector<Case> cases = {
        {kFull, kEmpty, '&', false, 0},      {kFull, kFull, '&', false, kBlock},   {kFull, kStored, '&', true, 2},
        {kStored, kFull, '&', true, 2},      {kEmpty, kStored, '&', false, 0},     {kStored, kStored, '&', true, 2},
        {kEmpty, kFull, '|', false, kBlock}, {kStored, kFull, '|', false, kBlock}, {kEmpty, kStored, '|', true, 2},
        {kFull, kStored, '|', false, kBlock}, {kEmpty, kEmpty, '|', false, 0},     {kFull, kFull, '^', false, 0},
        {kEmpty, kFull, '^', false, kBlock}, {kStored, kFull, '^', true, kBlock - 2}, {kFull, kStored, '^', true, kBlock - 2},
        {kEmpty, kStored, '^', true, 2},     {kStored, kStored, '^', true, 0},     {kFull, kFull, '-', false, 0},
        {kStored, kFull, '-', false, 0},     {kFull, kStored, '-', true, kBlock - 2}, {kStored, kEmpty, '-', true, 2},
        {kEmpty, kStored, '-', false, 0},
    };
    for (const Case& c : cases) {
        BlockBitVector mine = blockOf(c.mine);
        const BlockBitVector theirs = blockOf(c.theirs);
        if (c.op == '&') mine &= theirs;
        if (c.op == '|') mine |= theirs;
        if (c.op == '^') mine ^= theirs;
        if (c.op == '-') mine.andNot(theirs);
        EXPECT_EQ(mine.blockStored(0), c.stored) << c.mine << c.op << c.theirs;
        EXPECT_EQ(mine.knownCount(), -1) << c.mine << c.op << c.theirs;
        EXPECT_EQ(mine.count(), c.count) << c.mine << c.op << c.theirs;
    }
}

TEST(BlockBitVector, CombiningGrowsForOrAndXorOnly) {
    BlockBitVector small = withBits({3});
    small |= withBits({5 * kBlock + 1});
    EXPECT_EQ(small.lastBlock(), 6);
    EXPECT_EQ(setBits(small), (std::vector<int32_t>{3, 5 * kBlock + 1}));
    BlockBitVector anded = withBits({3, 4 * kBlock});
    anded &= withBits({3});
    EXPECT_EQ(anded.lastBlock(), 5);
    EXPECT_EQ(setBits(anded), (std::vector<int32_t>{3})) << "blocks beyond the other's become empty";
    BlockBitVector minus = withBits({3, 4 * kBlock});
    minus.andNot(withBits({3}));
    EXPECT_EQ(setBits(minus), (std::vector<int32_t>{4 * kBlock}));

    BitVector bits;
    bits.set(1);
    bits.set(40000);
    BlockBitVector mixed = withBits({1, 2});
    mixed ^= bits;
    EXPECT_EQ(setBits(mixed), (std::vector<int32_t>{2, 40000}));
    EXPECT_EQ(mixed.lastBlock(), 1) << "65536 bits of words: the BitVector's last 1024-word run is 1";
    mixed |= bits;
    mixed &= bits;
    EXPECT_EQ(setBits(mixed), (std::vector<int32_t>{1, 40000}));
    mixed.andNot(bits);
    EXPECT_EQ(mixed.count(), 0);
}

TEST(BlockBitVector, EqualityComparesTotalsAndBits) {
    BlockBitVector filled = withBits({});
    for (int32_t bit = 0; bit < kBlock; ++bit) filled.set(bit);
    BlockBitVector ranged(kBlock);
    ranged.setRange(0, kBlock - 1);
    EXPECT_TRUE(filled == ranged) << "a stored full block equals a full one";
    EXPECT_TRUE(ranged == filled);
    EXPECT_TRUE(withBits({5, 9}) == withBits({5, 9}, 10 * kBlock));
    EXPECT_FALSE(withBits({5, 9}) == withBits({5, 10}));
    EXPECT_FALSE(withBits({5}) == withBits({5, 9}));
}

TEST(BlockBitVector, ConvertsToAndFromBitVector) {
    BitVector bits(40000);
    bits.set(7);
    bits.set(39999);
    const BlockBitVector blocks(bits);
    EXPECT_EQ(blocks.lastBlock(), (bits.wordCount()) >> 10);
    EXPECT_EQ(blocks.knownCount(), -1);
    EXPECT_EQ(blocks.blockCount(0), -1) << "stored blocks start with an unknown count";
    EXPECT_EQ(setBits(blocks), (std::vector<int32_t>{7, 39999}));

    BlockBitVector source = threeKinds();
    const BitVector back(source);
    EXPECT_EQ(back.lastIndex(), 3 * kBlock - 1);
    EXPECT_EQ(back.count(), kBlock + 2);
    EXPECT_TRUE(back.test(kBlock) && back.test(2 * kBlock - 1) && back.test(2 * kBlock + 7000));
    BitVector assigned;
    assigned.set(5);
    assigned = source;
    EXPECT_TRUE(assigned == back);
    BitVector ored;
    ored.set(5);
    ored |= source;
    EXPECT_EQ(ored.count(), kBlock + 3);
    ored.andNot(source);
    EXPECT_EQ(ored.count(), 1);
    ored ^= source;
    ored &= source;
    EXPECT_TRUE(ored == back);
}

TEST(BlockBitVector, MoveAndSwapTakeAllFields) {
    BlockBitVector source = threeKinds();
    BlockBitVector moved(std::move(source));
    EXPECT_EQ(source.lastBlock(), -1);  // NOLINT: the moved-from state is specified
    EXPECT_FALSE(source.test(kBlock));
    EXPECT_EQ(source.count(), 0);
    EXPECT_TRUE(source.set(3));
    EXPECT_EQ(source.lastBlock(), 1);
    EXPECT_EQ(moved.count(), kBlock + 2);
    moved.swap(source);
    EXPECT_EQ(moved.count(), 1);
    EXPECT_EQ(source.count(), kBlock + 2);
    EXPECT_EQ(source.lastBlock(), 2);
}

TEST(BlockBitVector, IsReferenceCountedThroughTheObjectModel) {
    BitBlockCache::purge();
    IPtr<BlockBitVector, TesShared> shared(new BlockBitVector);
    shared->set(3);
    IPtr<BlockBitVector, TesShared> second(shared);
    EXPECT_EQ(shared->refCount(), 2u);
    shared.reset();
    EXPECT_TRUE(second->test(3)) << "one reference left: nothing released";
    EXPECT_EQ(BitBlockCache::spareCount(), 0);
    second.reset();
    EXPECT_EQ(BitBlockCache::spareCount(), 1) << "the last release destroys it and its block goes back";
}

TEST(BitBlockCache, KeepsAtMost512SpareBlocksAndGivesTheLatestFirst) {
    BitBlockCache::purge();
    EXPECT_EQ(BitBlockCache::spareCount(), 0);
    {
        BlockBitVector vector(600 * kBlock);
        for (int32_t block = 0; block < 600; ++block) vector.set(block * kBlock + 1);
        EXPECT_EQ(BitBlockCache::spareCount(), 0);
    }
    EXPECT_EQ(BitBlockCache::spareCount(), BitBlockCache::kCapacity) << "the blocks beyond 512 are freed";
    uint32_t* extra = BitBlockCache::take(0);
    EXPECT_EQ(BitBlockCache::spareCount(), 511);
    BitBlockCache::give(extra);
    uint32_t* another = nullptr;
    nelMalloc(another, BitBlockCache::kBlockWords);
    BitBlockCache::give(another);
    EXPECT_EQ(BitBlockCache::spareCount(), 512) << "the 513th block is freed";

    uint32_t* latest = BitBlockCache::take(0);
    BitBlockCache::give(latest);
    EXPECT_EQ(BitBlockCache::take(3), latest);
    EXPECT_EQ(latest[2], ~0u);
    EXPECT_EQ(latest[3], 0u);
    const uint32_t words[2] = {7, 9};
    uint32_t* copy = BitBlockCache::takeCopy(words, 2);
    EXPECT_EQ(copy[1], 9u);
    EXPECT_EQ(copy[2], 0u);
    BitBlockCache::give(copy);
    BitBlockCache::give(latest);
    BitBlockCache::give(nullptr);
    BitBlockCache::purge();
    EXPECT_EQ(BitBlockCache::spareCount(), 0);
}

TEST(BlockBitVectorRecord, BytesOfBothForms) {
    const BlockBitVector vector = withBits({1, 33}, 5 * kBlock);
    std::vector<uint8_t> sparse = record({0x315E97D6, 1024, 32767, 1, 2, 1, 33});
    EXPECT_EQ(written(vector, 0), sparse) << "only block 0 is written, whatever the last block";
    EXPECT_EQ(written(vector, 13), sparse);

    const std::vector<uint8_t> dense = written(threeKinds(), 4);
    ASSERT_EQ(dense.size(), 20u + 3u * 4096u);
    // The count is counted only to choose the form; dense at version 4, it
    // stays unknown.
    const std::vector<uint8_t> header = record({0x315E97D6, 3072, 3 * kBlock - 1, 0, 0xFFFFFFFF});
    EXPECT_TRUE(std::equal(header.begin(), header.end(), dense.begin()));
    EXPECT_EQ(dense[20], 0x00) << "the empty block as zeros";
    EXPECT_EQ(dense[20 + 4096], 0xFF) << "the full block as ones";
    EXPECT_EQ(dense[20 + 8192 + 3], 0x08) << "bit 3 of the stored block";
    for (uint32_t version = 1; version <= 12; ++version) {
        EXPECT_EQ(written(vector, version).size(), 20u + 4096u) << "dense at version " << version;
    }
}

TEST(BlockBitVectorRecord, EachClassReadsWhatTheOtherWrote) {
    for (uint32_t version : {0u, 5u}) {
        BitVector bits(70000);
        bits.set(3);
        bits.set(69999);
        MemoryOutput fromBits;
        fromBits.setVersion(version);
        ASSERT_TRUE(bits.write(fromBits));
        fromBits.flush();
        BlockBitVector blocks;
        MemoryInput in(fromBits.bytes);
        ASSERT_TRUE(blocks.read(in)) << version;
        EXPECT_EQ(setBits(blocks), (std::vector<int32_t>{3, 69999}));
        EXPECT_EQ(blocks.knownCount(), 2) << "a block read ends counted and normalised";

        MemoryOutput fromBlocks;
        fromBlocks.setVersion(version);
        ASSERT_TRUE(threeKinds().write(fromBlocks));
        fromBlocks.flush();
        BitVector back;
        MemoryInput blockIn(fromBlocks.bytes);
        ASSERT_TRUE(back.read(blockIn)) << version;
        EXPECT_TRUE(back == BitVector(threeKinds()));
    }
}

TEST(BlockBitVectorRecord, ReadingDoesNotClearFirst) {
    BlockBitVector vector = withBits({5, 4 * kBlock + 9});
    MemoryInput dense(record({0x315E97D6, 2, 12345, 0, 77, 0x10, 0}));
    ASSERT_TRUE(vector.read(dense));
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{4, 4 * kBlock + 9})) << "block 0 replaced, block 4 kept";
    EXPECT_EQ(vector.knownCount(), 2);

    MemoryInput sparse(record({0x315E97D6, 1024, 0, 1, 2, 6, 3 * kBlock}));
    ASSERT_TRUE(vector.read(sparse));
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{4, 6, 3 * kBlock, 4 * kBlock + 9}));
    EXPECT_EQ(vector.knownCount(), 4) << "the total is recounted, not the indices read";

    BlockBitVector full;
    std::vector<uint8_t> ones = record({0x315E97D6, 1024, 32767, 0, 32768});
    ones.resize(ones.size() + 4096, 0xFF);
    MemoryInput onesIn(ones);
    ASSERT_TRUE(full.read(onesIn));
    EXPECT_FALSE(full.blockStored(0)) << "normalised";
    EXPECT_EQ(full.count(), kBlock);
}

TEST(BlockBitVectorRecord, BadRecordsAreRefused) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        std::vector<int32_t> bits;
    };
    const std::vector<Case> cases = {
        {"foreign tag", record({0x315E98D6, 1, 31, 0, 0, 1}), false, {7}},
        {"other version", record({0x315E9700, 1, 31, 0, 1, 1}), true, {0}},
        {"no words", record({0x315E97D6, 0, 31, 0, 0}), false, {7}},
        {"too many words", record({0x315E97D6, (1u << 26) + 1, 31, 0, 0}), false, {7}},
        {"sparse flag 3", record({0x315E97D6, 1, 31, 3, 0, 1}), false, {7}},
        {"negative count", record({0x315E97D6, 1024, 32767, 1, 0xFFFFFFFE}), false, {7}},
        {"claims more than the input", record({0x315E97D6, 1u << 26, INT32_MAX, 0, 0, 1}), false, {7}},
        {"negative index", record({0x315E97D6, 1024, 32767, 1, 2, 9, 0x80000000}), false, {7, 9}},
        {"header cut short", record({0x315E97D6, 1024}), false, {7}},
    };
    for (const Case& c : cases) {
        BlockBitVector vector = withBits({7});
        MemoryInput in(c.bytes);
        EXPECT_EQ(vector.read(in), c.result) << c.name;
        EXPECT_EQ(setBits(vector), c.bits) << c.name;
        EXPECT_EQ(vector.lastBlock(), 0) << c.name;
    }
    EXPECT_TRUE(BlockBitVector::isMagic(0x315E97D6));
    EXPECT_FALSE(BlockBitVector::isMagic(0x315E97D5));
}

}  // namespace
