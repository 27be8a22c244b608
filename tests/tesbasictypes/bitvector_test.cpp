// BitVector without a host memory manager: one block of words. Paged storage is
// tested in memory/; ordinary contents against a model by the property test.
#include "bitvector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <numeric>
#include <sstream>

#include "bitsetproperty.h"
#include "intarray.h"
#include "infrastructure/refcomponentmanager.h"
#include "infrastructure/refprogress.h"
#include "infrastructure/refrandom.h"
#include "servicelookup.h"

namespace {

using bitsetmodel::record;
using bitsetmodel::setBits;
using bitsetmodel::withBits;
using bitsetmodel::written;
using Bits = std::vector<int32_t>;

constexpr uint32_t kTag = BitVector::kMagicWord;

// 1 ... n, what the fill operations set.
Bits oneTo(int32_t n) {
    Bits bits(static_cast<size_t>(n));
    std::iota(bits.begin(), bits.end(), 1);
    return bits;
}

// One operation on a vector: the bits, last index and cached count it leaves.
TEST(BitVector, OperationsLeaveTheseBitsLastIndexAndKnownCount) {
    TesMM::IntArray map;  // walked in index order: bit v of the vector against bit k of `other`
    for (auto [k, v] : {std::pair{1, 10}, {2, 11}, {3, 12}, {4, 200}, {5, -3}, {6, 7}, {7, 7}}) map.set(k, v);
    const BitVector other = withBits({1, 3, 4});
    struct Row {
        const char* name;
        BitVector vector;
        std::function<void(BitVector&)> operation;
        Bits bits;
        int32_t lastIndex, knownCount;
    };
    const Row rows[] = {
        {"negative size and bit: one word", BitVector(-7), [](auto& v) { v.set(-5); }, {}, 31, 0},
        {"size 32 takes a second word", BitVector(32), [](auto& v) { v.set(63); }, {63}, 63, 1},
        {"4097 needed words: 8192 in one block", BitVector(), [](auto& v) { v.set(131072); }, {131072}, 262143, 1},
        {"the largest index", BitVector(), [](auto& v) { v.set(INT32_MAX); }, {INT32_MAX}, INT32_MAX, 1},
        {"a set bit set again counts once", withBits({5, 60}), [](auto& v) { v.set(5); }, {5, 60}, 63, 2},
        {"clearing beyond the last index", withBits({5}), [](auto& v) { v.clear(500); }, {5}, 31, 1},
        {"clearing a vector known to be empty", BitVector(64), [](auto& v) { v.clearRange(0, 9); }, {}, 95, 0},
        {"a reversed range", withBits({5}), [](auto& v) { v.setRange(10, 5); }, {5}, 31, 1},
        {"setFirst, n negative", withBits({0, 5}), [](auto& v) { v.setFirst(-3); }, {}, 31, 0},
        {"setFirst grows to hold n", withBits({0, 40}), [](auto& v) { v.setFirst(64); }, oneTo(64), 127, 64},
        {"setAll leaves bit 0 clear", withBits({0}, 40), [](auto& v) { v.setAll(); }, oneTo(63), 63, 63},
        {"or, the other known empty", withBits({5}), [](auto& v) { v |= BitVector(5000); }, {5}, 31, 1},
        {"and-not, the other known empty", withBits({5}), [](auto& v) { v.andNot(BitVector(9)); }, {5}, 31, 1},
        {"and, the other known empty", withBits({5}, 40), [](auto& v) { v &= BitVector(9); }, {}, 63, 0},
        {"and, the other blocks known empty", withBits({5}, 40), [](auto& v) { v &= BlockBitVector(9); }, {}, 63, 0},
        {"assigned from blocks", withBits({5}), [](auto& v) { v = withBits<BlockBitVector>({70000}); }, {70000}, 131071, 1},
        {"or grows to the other's highest word", withBits({5}), [](auto& v) { v |= withBits({90}, 999); }, {5, 90},
         127, -1},
        {"exclusive or with itself", withBits({7, 8}), [](auto& v) { v ^= v; }, {}, 31, -1},
        {"assignment keeps a block large enough", withBits({3}, 255), [](auto& v) { v = withBits({5}, 63); }, {5},
         255, 1},
        {"assignment to a smaller block", withBits({1}), [](auto& v) { v = withBits({700}, 3000); }, {700}, 3007, 1},
        {"copyContents grows to the other's highest word", withBits({1, 2}),
         [](auto& v) { v.copyContents(withBits({1000}, 4000)); }, {1000}, 1023, 1},
        {"shrinkTo the other's highest word", withBits({1, 40, 300}, 1023),
         [](auto& v) { v.shrinkTo(withBits({50}, 5000)); }, {1, 40}, 63, -1},
        {"shrinkTo an empty other: one word", withBits({1, 40}), [](auto& v) { v.shrinkTo(BitVector(5000)); }, {1},
         31, -1},
        {"assignMapped", withBits({11, 40}), [&](auto& v) { v.assignMapped(map, other); }, {10, 12, 40, 200}, 255, 4},
        {"andMapped", withBits({7, 10, 11, 12, 13}), [&](auto& v) { v.andMapped(map, other); }, {10, 12, 13}, 31, 3},
        {"orMapped", withBits({13}), [&](auto& v) { v.orMapped(map, other); }, {10, 12, 13, 200}, 255, 4},
        {"toggleMapped: 7 toggled twice", withBits({10, 12, 13, 200}), [&](auto& v) { v.toggleMapped(map); }, {11, 13},
         255, 2},
        {"gather: mask bits 0, 3, 40 to 1, 2, 3", withBits({0, 2, 40}), [](auto& v) { v.gather(withBits({0, 3, 40})); },
         {1, 3}, 63, 2},
        {"moveMapped: 1 to 10 and 2 to 11 at once, 9 stays", withBits({1, 9, 11}), [&](auto& v) { v.moveMapped(map); },
         {9, 10}, 31, 2},
        {"remap: only mapped bits, onto 10 and 12", withBits({1, 3, 5, 9}), [&](auto& v) { v.remap(map); }, {10, 12},
         31, 2},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitVector vector = row.vector;
        row.operation(vector);
        EXPECT_EQ(setBits(vector), row.bits);
        EXPECT_EQ(vector.lastIndex(), row.lastIndex);
        EXPECT_EQ(vector.knownCount(), row.knownCount);
    }
}

TEST(BitVector, EqualityIgnoresLengthDisjointnessLooksAtCommonWordsAndPrintListsEightALine) {
    std::ostringstream text;
    withBits({0, 1, 2, 3, 4, 5, 6, 7, 40}).print(text);
    EXPECT_EQ(text.str(), "numSet=9\n0 1 2 3 4 5 6 7 \n40 \n");
    EXPECT_TRUE(withBits({1, 70}) == withBits({1, 70}, 5000));
    EXPECT_FALSE(withBits({1}) == withBits({1, 4000}));
    EXPECT_TRUE(withBits({1, 40}).isDisjoint(withBits({2, 41, 3000})));
    EXPECT_FALSE(withBits({1, 40}).isDisjoint(withBits({40}, 3000)));
}

TEST(BitVector, SplitGivesEachPartsFirstBitAndTheBitsBeforeIt) {
    Bits firstBits(5, 99);
    Bits before(5, 99);
    EXPECT_FALSE(withBits({1}).split(0, firstBits, before));
    EXPECT_FALSE(withBits({1}).split(5, firstBits, before)) << "arrays need parts + 1 entries";
    EXPECT_EQ(firstBits, Bits(5, 99)) << "nothing written";
    ASSERT_TRUE(withBits({5, 9}).split(4, firstBits, before));
    EXPECT_EQ(firstBits, (Bits{5, 5, 9, 9, -1})) << "more parts than bits";
    EXPECT_EQ(before, (Bits{0, 0, 1, 1, 2}));
    ASSERT_TRUE(withBits({2, 4, 6, 8, 10, 12, 14, 16, 18, 20}).split(3, firstBits, before));
    EXPECT_EQ(firstBits, (Bits{2, 8, 14, -1, -1}));
    EXPECT_EQ(before, (Bits{0, 3, 6, 10, 2})) << "entries past parts + 1 untouched";
    ASSERT_TRUE(BitVector().split(1, firstBits, before));
    EXPECT_EQ(firstBits[0], -1);
    EXPECT_EQ(before[1], 0);
}

TEST(BitVector, ThinningKeepsARoundedShareOfTheSetBits) {
    const BitVector original = withBits({1, 5, 9, 33, 64, 65, 200});
    BitVector vector(original);
    EXPECT_FALSE(vector.thin(0.5)) << "no generator given and none in the host";
    {
        IPtr<RefComponentManager> host(new RefComponentManager);
        host->addService(new RefRandom, {"ITesRandom"});
        tesSetComponentManager(host.get());
        EXPECT_TRUE(vector.thin(0.5));
        tesSetComponentManager(nullptr);
        EXPECT_EQ(vector.count(), 4) << "the host's generator";
    }
    IPtr<RefRandom> random(new RefRandom);
    for (const auto& [fraction, kept] :
         {std::pair{0.3, 2}, {0.0, 0}, {1.0, 7}, {-1.0, 0}, {2.0, 7}, {std::nan(""), 0}}) {
        vector = original;
        ASSERT_TRUE(vector.thin(fraction, random.get()));
        EXPECT_EQ(vector.count(), kept) << fraction;
        vector.andNot(original);
        EXPECT_EQ(vector.count(), 0) << "only set bits are kept";
    }
}

TEST(ProgBitVectorIter, ReportsAHundredTimesCompletesAndStopsWhenAsked) {
    IPtr<RefComponentManager> host(new RefComponentManager);
    IPtr<RefProgress> progress(new RefProgress(nullptr));
    host->addService(progress.get(), {"ITesProgress"});
    tesSetComponentManager(host.get());
    BitVector vector(9999);
    for (int32_t bit = 5; bit < 10000; bit += 5) vector.set(bit);
    {
        ProgBitVectorIter walk(vector);
        Bits walked;
        for (int32_t bit = walk.next(); bit >= 0; bit = walk.next()) walked.push_back(bit);
        EXPECT_EQ(walked, setBits(vector));
        EXPECT_EQ(progress->fractions().size(), 100u) << "one report per hundredth of the vector";
        const BitVector small = withBits({3});
        walk.reset(small);
        EXPECT_EQ(walk.next(), 3);
        EXPECT_EQ(walk.next(), -1);
    }
    EXPECT_EQ(progress->fractions().back(), 1.0f) << "completion on destruction";
    progress->stopAt(0.5f);
    ProgBitVectorIter clear(vector, false);
    int32_t last = -1;
    for (int32_t bit = clear.next(); bit >= 0; bit = clear.next()) last = bit;
    EXPECT_TRUE(clear.stopped());
    EXPECT_EQ(last, 5099) << "clear bits reported every 100 from 0; the report at 5101, over half, stops";
    tesSetComponentManager(nullptr);
}

TEST(BitVectorRecord, DenseAndSparseBytes) {
    BitVector vector = withBits({1});
    vector.invert();
    EXPECT_EQ(written(vector), record({kTag, 1, 31, 0, 0xFFFFFFFF, 0xFFFFFFFD})) << "the count unknown";
    EXPECT_EQ(written(withBits({1, 33}, 63)), record({kTag, 2, 63, 0, 2, 2, 2}));
    EXPECT_EQ(written(withBits({3, 100, 1279}, 1279)), record({kTag, 40, 1279, 1, 3, 3, 100, 1279}));
    // Sparse from 33 words with fewer set bits than half the words, at version 0 or from 13.
    EXPECT_EQ(written(withBits({3}, 1279), 12).size(), 20u + 4u * 40u);
    EXPECT_EQ(written(withBits({3}, 1279), 13).size(), 20u + 4u);
    EXPECT_EQ(written(BitVector(32 * 32 - 1)).size(), 20u + 4u * 32u);
    EXPECT_EQ(written(BitVector(33 * 32 - 1)).size(), 20u);
    vector = BitVector(1279);
    vector.setFirst(19);
    EXPECT_EQ(written(vector).size(), 20u + 4u * 19u);
    vector.setFirst(20);
    EXPECT_EQ(written(vector).size(), 20u + 4u * 40u);
    vector.resize(100000);
    vector.invert();
    MemoryOutput failing;
    failing.failAfter = 2;
    EXPECT_FALSE(vector.write(failing)) << "a failing stream answers false";
}

// An input that does not know its length, as a pipe would not.
class UnknownLengthInput : public MemoryInput {
public:
    explicit UnknownLengthInput(std::vector<uint8_t> bytes) : MemoryInput(std::move(bytes)) { setLength(0); }
};

TEST(BitVectorRecord, OddAndBadRecordsAreReadAsTheyCome) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        int32_t lastIndex;
        Bits bits;
        int32_t knownCount;  // the stored count is not taken: unknown after a dense read
        bool lengthKnown = true;
    };
    const Row rows[] = {
        {"foreign tag: nothing read", record({0x315E98D6, 1, 31, 0, 1, 1}), false, 8191, {2, 3, 5000}, 3},
        {"header cut short", record({kTag, 1, 31}), false, 8191, {2, 3, 5000}, 3},
        {"no words", record({kTag, 0, 63, 0, 5, 7, 7}), true, 31, {}, 0},
        {"last index 0", record({kTag, 2, 0, 0, 5, 7, 7}), true, 31, {}, 0},
        {"stored count dropped", record({kTag, 1, 31, 0, 17, 6}), true, 31, {1, 2}, -1},
        {"index beyond the last grows", record({kTag, 2, 63, 1, 2, 4, 300}), true, 511, {4, 300}, 2},
        {"other version", record({0x315E9701, 1, 31, 0, 1, 1}), true, 31, {0}, -1},
        {"too many words", record({kTag, (1u << 26) + 1, 63, 0, 0}), false, 31, {}, 0},
        {"sparse flag 2", record({kTag, 1, 31, 2, 0, 1}), false, 31, {}, 0},
        {"negative index", record({kTag, 40, 1279, 1, 2, 3, 0xFFFFFFF0}), false, 1279, {3}, 1},
        {"negative sparse count", record({kTag, 40, 1279, 1, 0xFFFFFFFF}), false, 31, {}, 0},
        {"claims more than the input", record({kTag, 1u << 26, INT32_MAX, 0, 0, 1, 2}), false, 31, {}, 0},
        {"cut short, length unknown", record({kTag, 3, 95, 0, 3, 2, 2}), false, 95, {1, 33}, -1, false},
        {"cut short, sparse", record({kTag, 40, 1279, 1, 3, 5, 6}), false, 31, {}, 0},
        {"cut short, sparse, length unknown", record({kTag, 40, 1279, 1, 3, 5, 6}), false, 1279, {5, 6}, 2, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitVector vector = withBits({2, 3, 5000});
        MemoryInput known(row.bytes);
        UnknownLengthInput unknown(row.bytes);
        EXPECT_EQ(vector.read(row.lengthKnown ? static_cast<BinInput&>(known) : unknown), row.result);
        EXPECT_EQ(vector.lastIndex(), row.lastIndex);
        EXPECT_EQ(vector.knownCount(), row.knownCount);
        EXPECT_EQ(setBits(vector), row.bits);
        EXPECT_EQ(vector.magic().word(), row.bytes[3] == 0x01 ? 0x315E9701 : kTag) << "the tag read is kept";
    }
    MemoryInput foreign(rows[0].bytes);
    EXPECT_FALSE(BitVector().read(foreign));
    EXPECT_EQ(foreign.tell(), 4) << "a foreign tag stops the read after the tag";
}

TEST(BitVectorProperty, RandomOperationsMatchThePlainModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        bitsetmodel::MixedProperty(seed, 150000).run(250);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
