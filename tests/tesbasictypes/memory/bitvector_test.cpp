// BitVector with the host memory manager in place: from 4096 words (4097 on
// growth) the words live in pages that exist only where a word is not 0.
#include "bitvector.h"

#include <gtest/gtest.h>

#include <vector>

#include "bitsetproperty.h"
#include "memoryhost.h"
#include "memorystreams.h"

namespace {

constexpr int32_t kPageWords = 2048;
constexpr int32_t kPageBits = kPageWords * 32;

int64_t pagesInUse() { return memoryTestHost().memoryManager().pagesInUse(); }

std::vector<int32_t> setBits(const BitVector& vector) {
    std::vector<int32_t> bits;
    for (int32_t bit = vector.nextSet(-1); bit >= 0; bit = vector.nextSet(bit)) bits.push_back(bit);
    return bits;
}

TEST(LargeBitVector, ConstructionIsPagedFrom4096WordsAndAllocatesNoPage) {
    struct Case {
        int32_t words;
        bool large;
    };
    for (const Case& c : {Case{1, false}, Case{4095, false}, Case{4096, true}, Case{100000, true}}) {
        const int64_t before = pagesInUse();
        const BitVector vector((c.words - 1) * 32);
        EXPECT_EQ(vector.isLarge(), c.large) << c.words;
        EXPECT_EQ(vector.wordCount(), c.words);
        EXPECT_EQ(pagesInUse(), before) << c.words;
    }
}

TEST(LargeBitVector, GrowthSwitchesToPagesAt4097NeededWords) {
    struct Case {
        int32_t startWords, bit, lastIndex;
        bool large;
    };
    // From one word: bit 131071 needs 4096 words, offered 8192, given 6144;
    // bit 131072 needs 4097 and takes the 8192 offered as pages.
    for (const Case& c : {Case{1, 4096 * 32 - 1, 6144 * 32 - 1, false}, Case{1, 4096 * 32, 8192 * 32 - 1, true},
                          Case{6144, 6144 * 32, 12288 * 32 - 1, true}, Case{4096, 4096 * 32, 8192 * 32 - 1, true},
                          Case{4096, 5000 * 32, 8192 * 32 - 1, true}, Case{6000, 9000 * 32, 12288 * 32 - 1, true}}) {
        BitVector vector((c.startWords - 1) * 32);
        vector.set(3);
        const int64_t before = pagesInUse();
        vector.set(c.bit);
        EXPECT_EQ(vector.lastIndex(), c.lastIndex) << c.startWords << " words, bit " << c.bit;
        EXPECT_EQ(vector.isLarge(), c.large) << c.startWords << " words, bit " << c.bit;
        EXPECT_EQ(setBits(vector), (std::vector<int32_t>{3, c.bit}));
        if (c.large && c.startWords < 4096) {
            EXPECT_EQ(pagesInUse(), before + 2) << "zero words allocate nothing";
        }
    }
}

TEST(LargeBitVector, ShrinkingBelow1536WordsLeavesThePages) {
    BitVector vector(10000 * 32);
    vector.set(5);
    vector.set(1535 * 32);
    vector.set(9000 * 32);
    const int64_t before = pagesInUse();
    vector.resize(1536 * 32 - 1);
    EXPECT_TRUE(vector.isLarge()) << "1536 needed words stay paged";
    EXPECT_EQ(vector.wordCount(), 2048) << "whole pages";
    EXPECT_EQ(pagesInUse(), before - 1);
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{5, 1535 * 32}));
    vector.resize(1535 * 32 - 1);
    EXPECT_FALSE(vector.isLarge());
    EXPECT_EQ(vector.wordCount(), 1535);
    EXPECT_EQ(pagesInUse(), before - 2);
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{5}));
    EXPECT_EQ(vector.knownCount(), -1);
    EXPECT_EQ(vector.count(), 1);
}

TEST(LargeBitVector, PagesAppearOnlyForNonZeroWordsAtThe65536BitEdge) {
    BitVector vector(4 * kPageBits - 1);
    ASSERT_TRUE(vector.isLarge());
    const int64_t before = pagesInUse();
    vector.clear(kPageBits);
    vector.clearRange(0, 3 * kPageBits);
    EXPECT_EQ(pagesInUse(), before) << "clearing writes no page";
    vector.set(kPageBits - 1);
    EXPECT_EQ(pagesInUse(), before + 1);
    vector.set(kPageBits);
    EXPECT_EQ(pagesInUse(), before + 2) << "bit 65536 is the first of the second page";
    EXPECT_EQ(vector.nextSet(kPageBits - 1), kPageBits);
    EXPECT_EQ(vector.prevSet(kPageBits), kPageBits - 1);
    EXPECT_EQ(vector.nextSet(kPageBits), -1) << "missing pages are skipped";
    EXPECT_EQ(vector.nextClear(kPageBits - 2), kPageBits + 1);
    EXPECT_EQ(vector.prevClear(3 * kPageBits), 3 * kPageBits - 1);
    vector.clearRange(kPageBits, 2 * kPageBits - 1);
    EXPECT_EQ(pagesInUse(), before + 1) << "a page cleared whole is freed";
    vector.setAll();
    EXPECT_EQ(pagesInUse(), before + 4);
    EXPECT_EQ(vector.count(), vector.lastIndex());
    vector.clearAll();
    EXPECT_EQ(pagesInUse(), before);
    vector.invert();
    EXPECT_EQ(vector.count(), 4 * kPageBits);
}

TEST(LargeBitVector, CopiesAndMixedStorageOperations) {
    BitVector large(5000 * 32);
    large.set(7);
    large.set(4999 * 32);
    const BitVector copy(large);
    EXPECT_TRUE(copy.isLarge());
    EXPECT_EQ(copy.lastIndex(), large.lastIndex());
    EXPECT_TRUE(copy == large);

    BitVector small;
    small.set(7);
    small.set(8);
    small |= large;
    EXPECT_TRUE(small.isLarge()) << "grown past 4097 words by or-assign";
    EXPECT_EQ(setBits(small), (std::vector<int32_t>{7, 8, 4999 * 32}));
    small &= copy;
    EXPECT_EQ(setBits(small), (std::vector<int32_t>{7, 4999 * 32}));
    small.andNot(copy);
    EXPECT_EQ(small.count(), 0);
    small ^= copy;
    EXPECT_TRUE(small == copy);

    BitVector target;
    target.set(1);
    target = large;
    EXPECT_TRUE(target.isLarge()) << "too small to keep: copied with the source's storage";
    EXPECT_TRUE(target == large);

    const BlockBitVector blocks(large);
    const BitVector back(blocks);
    EXPECT_TRUE(back == large);
}

TEST(LargeBitVector, RecordsWriteMissingPagesAsZerosAndReadThemWithout) {
    BitVector vector(20 * kPageWords * 32 - 1);
    vector.set(3);
    vector.set(19 * kPageBits + 5);
    for (int32_t bit = 0; bit < 3000; ++bit) vector.set(kPageBits + bit * 7);
    for (uint32_t version : {0u, 7u}) {
        MemoryOutput out;
        out.setVersion(version);
        ASSERT_TRUE(vector.write(out));
        out.flush();
        const bool sparse = version == 0;
        EXPECT_EQ(out.bytes.size(), 20u + 4u * (sparse ? 3002u : 20u * kPageWords)) << version;
        const int64_t before = pagesInUse();
        BitVector back;
        MemoryInput in(out.bytes);
        ASSERT_TRUE(back.read(in));
        EXPECT_TRUE(back.isLarge());
        EXPECT_EQ(back.lastIndex(), vector.lastIndex());
        EXPECT_TRUE(back == vector);
        EXPECT_EQ(pagesInUse(), before + 3) << "only the three pages with set bits";
    }
}

TEST(LargeBitVector, ThinningUsesTheHostGenerator) {
    BitVector viaHost(300000);
    BitVector viaOwn(300000);
    for (int32_t bit = 0; bit < 300000; bit += 1000) {
        viaHost.set(bit);
        viaOwn.set(bit);
    }
    IPtr<RefRandom> own(new RefRandom);
    own->seed(2 * 300 + 412);
    ASSERT_TRUE(viaHost.thin(0.5));
    ASSERT_TRUE(viaOwn.thin(0.5, own.get()));
    EXPECT_EQ(viaHost.count(), 150);
    EXPECT_TRUE(viaHost == viaOwn);
}

TEST(LargeBitVector, RandomOperationsMatchThePlainModel) {
    for (uint32_t seed : {4u, 5u}) {
        SCOPED_TRACE(seed);
        bitsetmodel::MixedProperty property(seed, 400000, true);
        property.run(200);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
