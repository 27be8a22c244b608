// BitVector in a process without a host memory manager: every vector keeps
// its words in one block. The paged storage is tested in memory/.
#include "bitvector.h"

#include <gtest/gtest.h>

#include <cmath>
#include <initializer_list>
#include <sstream>
#include <vector>

#include "bitsetproperty.h"
#include "intarray.h"
#include "memorystreams.h"
#include "refcomponentmanager.h"
#include "refprogress.h"
#include "refrandom.h"
#include "servicelookup.h"

namespace {

BitVector withBits(std::initializer_list<int32_t> bits, int32_t size = 0) {
    BitVector vector(size);
    for (int32_t bit : bits) vector.set(bit);
    return vector;
}

std::vector<int32_t> setBits(const BitVector& vector) {
    std::vector<int32_t> bits;
    for (int32_t bit = vector.nextSet(-1); bit >= 0; bit = vector.nextSet(bit)) bits.push_back(bit);
    return bits;
}

// A host with the given services for the length of a test.
class ServiceScope {
public:
    ServiceScope() : manager_(new RefComponentManager) { tesSetComponentManager(manager_.get()); }
    ~ServiceScope() { tesSetComponentManager(nullptr); }
    void add(ITesUnknown* service, const char* name) { manager_->addService(service, {name}); }

private:
    IPtr<RefComponentManager> manager_;
};

TEST(BitVector, ConstructionGivesOneWordMoreThanTheBitsNeed) {
    struct Case {
        int32_t bits, lastIndex;
    };
    for (const Case& c : {Case{-7, 31}, Case{0, 31}, Case{31, 31}, Case{32, 63}, Case{33, 63}, Case{63, 63},
                          Case{64, 95}, Case{4095 * 32, 4096 * 32 - 1}}) {
        const BitVector vector(c.bits);
        EXPECT_EQ(vector.lastIndex(), c.lastIndex) << c.bits;
        EXPECT_EQ(vector.knownCount(), 0) << c.bits;
        EXPECT_FALSE(vector.isLarge()) << "no memory manager in this process";
        EXPECT_EQ(vector.nextSet(-1), -1);
    }
    BitVector empty;
    EXPECT_EQ(empty.lastIndex(), 31);
    EXPECT_FALSE(empty.test(40));
    EXPECT_FALSE(empty.test(-1));
    EXPECT_EQ(empty.lastIndex(), 31) << "testing does not grow";
}

TEST(BitVector, SetGrowsByDoublingTheLastIndex) {
    struct Case {
        int32_t bit, lastIndex;
    };
    // Below 4097 needed words the block is offered at most 6144 words; from
    // 4097 on, without a memory manager, the doubled size.
    for (const Case& c : {Case{0, 31}, Case{31, 31}, Case{32, 63}, Case{33, 63}, Case{62, 63}, Case{63, 127},
                          Case{64, 127}, Case{100, 127}, Case{127, 255}, Case{4096 * 32 - 1, 6144 * 32 - 1},
                          Case{4096 * 32, 8192 * 32 - 1}, Case{INT32_MAX, INT32_MAX}}) {
        BitVector vector;
        vector.set(c.bit);
        EXPECT_EQ(vector.lastIndex(), c.lastIndex) << c.bit << ": the capacity doubles until it exceeds the bit";
        EXPECT_TRUE(vector.test(c.bit)) << c.bit;
        EXPECT_EQ(vector.count(), 1) << c.bit;
    }
    BitVector vector;
    vector.set(-5);
    EXPECT_EQ(vector.count(), 0);
    vector.set(40);
    EXPECT_EQ(vector.lastIndex(), 63);
    vector.set(100);
    EXPECT_EQ(vector.lastIndex(), 127);
}

TEST(BitVector, CountFollowsSetAndClearAndIsUnknownAfterInvert) {
    BitVector vector(64);
    vector.set(5);
    vector.set(5);
    vector.set(70);
    EXPECT_EQ(vector.knownCount(), 2);
    vector.clear(6);
    vector.clear(500);
    EXPECT_EQ(vector.lastIndex(), 95) << "clearing beyond the last index changes nothing";
    vector.clear(5);
    EXPECT_EQ(vector.knownCount(), 1);
    vector.invert();
    EXPECT_EQ(vector.knownCount(), -1);
    EXPECT_EQ(vector.count(), 95);
    EXPECT_EQ(vector.knownCount(), 95);
    EXPECT_FALSE(vector.test(70));
    vector.clearAll();
    EXPECT_EQ(vector.knownCount(), 0);
    EXPECT_EQ(vector.nextSet(-1), -1);
}

TEST(BitVector, FillOperationsLeaveBitZeroClear) {
    for (int32_t bits : {0, 31, 32, 33, 95}) {
        BitVector vector(bits);
        vector.set(0);
        vector.setAll();
        EXPECT_FALSE(vector.test(0)) << bits;
        EXPECT_TRUE(vector.test(vector.lastIndex())) << bits;
        EXPECT_EQ(vector.knownCount(), vector.lastIndex()) << bits;
        EXPECT_EQ(vector.nextClear(0), -1) << bits;
    }
    struct Case {
        int32_t n, lastIndex;
    };
    for (const Case& c : {Case{-3, 63}, Case{0, 63}, Case{1, 63}, Case{31, 63}, Case{32, 63}, Case{33, 63},
                          Case{63, 63}, Case{64, 127}, Case{200, 255}}) {
        BitVector vector = withBits({0, 2, 60}, 40);
        vector.setFirst(c.n);
        const int32_t n = std::max(c.n, 0);
        EXPECT_EQ(vector.lastIndex(), c.lastIndex) << c.n;
        EXPECT_EQ(vector.knownCount(), n) << c.n;
        EXPECT_EQ(vector.count(), n);
        EXPECT_FALSE(vector.test(0)) << c.n;
        EXPECT_EQ(vector.nextClear(0), n + 1 > vector.lastIndex() ? -1 : n + 1) << c.n;
        EXPECT_EQ(vector.prevSet(INT32_MAX), n == 0 ? -1 : n) << c.n;
    }
}

TEST(BitVector, RangesAreCutToTheLastIndex) {
    struct Case {
        int32_t first, last;
    };
    const int32_t lastIndex = 95;
    for (const Case& c : {Case{0, 0}, Case{1, 30}, Case{31, 32}, Case{30, 33}, Case{0, 95}, Case{32, 63},
                          Case{5, 200}, Case{96, 100}, Case{-3, 4}, Case{10, 5}, Case{31, 31}, Case{33, 64}}) {
        BitVector setOnEmpty(lastIndex);
        BitVector clearedOnFull(lastIndex);
        clearedOnFull.invert();
        setOnEmpty.setRange(c.first, c.last);
        clearedOnFull.clearRange(c.first, c.last);
        for (int32_t bit = 0; bit <= lastIndex; ++bit) {
            const bool inside = bit >= c.first && bit <= c.last;
            EXPECT_EQ(setOnEmpty.test(bit), inside) << c.first << ".." << c.last << " bit " << bit;
            EXPECT_EQ(clearedOnFull.test(bit), !inside) << c.first << ".." << c.last << " bit " << bit;
        }
        EXPECT_EQ(setOnEmpty.lastIndex(), lastIndex);
        EXPECT_EQ(setOnEmpty.count(), std::max(0, std::min(c.last, lastIndex) - std::max(c.first, 0) + 1));
    }
    BitVector empty(64);
    empty.clearRange(0, 10);
    EXPECT_EQ(empty.knownCount(), 0) << "clearing a vector known to be empty keeps its count";
}

TEST(BitVector, SearchesAcrossWordEdges) {
    const BitVector vector = withBits({0, 31, 32, 33, 63, 64, 95}, 95);
    struct Case {
        int32_t from, nextSet, nextClear, prevSet, prevClear;
    };
    for (const Case& c : {Case{-5, 0, 1, -1, -1}, Case{-1, 0, 1, -1, -1}, Case{0, 31, 1, -1, -1},
                          Case{1, 31, 2, 0, -1}, Case{30, 31, 34, 0, 29}, Case{31, 32, 34, 0, 30},
                          Case{33, 63, 34, 32, 30}, Case{63, 64, 65, 33, 62}, Case{64, 95, 65, 63, 62},
                          Case{95, -1, -1, 64, 94}, Case{96, -1, -1, 95, 94}, Case{1000, -1, -1, 95, 94}}) {
        EXPECT_EQ(vector.nextSet(c.from), c.nextSet) << c.from;
        EXPECT_EQ(vector.nextClear(c.from), c.nextClear) << c.from;
        EXPECT_EQ(vector.prevSet(c.from), c.prevSet) << c.from;
        EXPECT_EQ(vector.prevClear(c.from), c.prevClear) << c.from;
    }
    const BitVector onlyZero = withBits({0});
    EXPECT_EQ(onlyZero.nextSet(-1), 0);
    EXPECT_EQ(BitVector().nextSet(-1), -1);
    BitVector full(63);
    full.invert();
    EXPECT_EQ(full.nextClear(-1), -1) << "whole words of ones are skipped to the end";
    EXPECT_EQ(full.prevClear(64), -1);
}

TEST(BitVector, CombiningOperationsAndTheirShortcuts) {
    const BitVector longOther = withBits({3, 40, 90}, 1023);
    BitVector shortThis = withBits({3, 4, 40});
    shortThis |= longOther;
    EXPECT_EQ(shortThis.lastIndex(), 127) << "grows to the other's highest non-zero word";
    EXPECT_EQ(setBits(shortThis), (std::vector<int32_t>{3, 4, 40, 90}));
    EXPECT_EQ(shortThis.knownCount(), -1);

    BitVector longThis = withBits({3, 500, 900}, 1023);
    longThis &= withBits({3, 4, 100});
    EXPECT_EQ(setBits(longThis), (std::vector<int32_t>{3})) << "words beyond the other's are zeroed";
    EXPECT_EQ(longThis.lastIndex(), 1023);

    BitVector xored = withBits({1, 2, 33});
    xored ^= withBits({2, 33, 64});
    EXPECT_EQ(setBits(xored), (std::vector<int32_t>{1, 64}));
    BitVector minus = withBits({1, 2, 33, 300});
    minus.andNot(withBits({2, 300, 301}));
    EXPECT_EQ(setBits(minus), (std::vector<int32_t>{1, 33}));

    BitVector noOp = withBits({5}, 40);
    noOp |= BitVector(5000);
    EXPECT_EQ(noOp.lastIndex(), 63) << "an other known to be empty changes nothing";
    EXPECT_EQ(noOp.knownCount(), 1);
    noOp.andNot(BitVector(5000));
    EXPECT_EQ(noOp.knownCount(), 1);
    BitVector emptyThis(40);
    emptyThis &= withBits({1, 2});
    EXPECT_EQ(emptyThis.knownCount(), 0);
    BitVector cleared = withBits({1, 2});
    cleared &= BitVector(10);
    EXPECT_EQ(cleared.knownCount(), 0);
    EXPECT_EQ(cleared.nextSet(-1), -1);
    BitVector self = withBits({7, 8});
    self ^= self;
    EXPECT_EQ(self.count(), 0);
}

TEST(BitVector, EqualityIgnoresLengthAndAnUnknownCount) {
    EXPECT_TRUE(withBits({1, 70}) == withBits({1, 70}, 5000));
    EXPECT_FALSE(withBits({1, 70}) == withBits({1, 71}));
    EXPECT_FALSE(withBits({1}) == withBits({1, 4000}));
    BitVector inverted = withBits({}, 31);
    inverted.invert();
    inverted.invert();
    EXPECT_EQ(inverted.knownCount(), -1);
    EXPECT_TRUE(inverted == BitVector(2000));
    EXPECT_TRUE(withBits({1, 40}).isDisjoint(withBits({2, 41, 3000})));
    EXPECT_FALSE(withBits({1, 40}).isDisjoint(withBits({40}, 3000)));
}

TEST(BitVector, AssignmentKeepsASmallBlockThatIsLargeEnough) {
    BitVector target = withBits({3, 200}, 255);
    const BitVector source = withBits({5, 6}, 63);
    target = source;
    EXPECT_EQ(target.lastIndex(), 255);
    EXPECT_EQ(setBits(target), (std::vector<int32_t>{5, 6}));
    EXPECT_EQ(target.knownCount(), 2);

    BitVector unknown = withBits({1});
    unknown.invert();
    target = unknown;
    EXPECT_EQ(target.knownCount(), -1) << "the source's count is taken, even unknown";
    EXPECT_EQ(target.count(), 31);

    BitVector small = withBits({1});
    small = withBits({700}, 1000);
    EXPECT_EQ(small.lastIndex(), 1023) << "too small: copied with the source's last index";
    EXPECT_EQ(setBits(small), (std::vector<int32_t>{700}));
    const BitVector copy(small);
    EXPECT_EQ(copy.lastIndex(), 1023);
    EXPECT_TRUE(copy == small);
}

TEST(BitVector, CopyContentsResizeAndShrinkTo) {
    BitVector target = withBits({1, 2, 3});
    target.copyContents(withBits({100}, 4000));
    EXPECT_EQ(target.lastIndex(), 127) << "grown to the other's highest non-zero word, with doubling";
    EXPECT_EQ(setBits(target), (std::vector<int32_t>{100}));
    EXPECT_EQ(target.knownCount(), 1);

    BitVector vector = withBits({1, 40, 300}, 1023);
    vector.shrinkTo(withBits({50}, 5000));
    EXPECT_EQ(vector.lastIndex(), 63);
    EXPECT_EQ(vector.knownCount(), -1) << "shrinking makes the count unknown";
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{1, 40}));
    vector.resize(10);
    EXPECT_EQ(vector.lastIndex(), 31) << "never below one word";
    vector.resize(31);
    EXPECT_EQ(vector.lastIndex(), 31);
    vector.resize(32);
    EXPECT_EQ(vector.lastIndex(), 63);
    EXPECT_FALSE(vector.test(40)) << "words that come back are zero";
}

TEST(BitVector, PrintsTheCountAndEightIndicesToALine) {
    struct Case {
        std::vector<int32_t> bits;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{}, "numSet=0\n\n"},
        {{0, 5, 31}, "numSet=3\n0 5 31 \n"},
        {{1, 2, 3, 4, 5, 6, 7, 8}, "numSet=8\n1 2 3 4 5 6 7 8 \n\n"},
        {{1, 2, 3, 4, 5, 6, 7, 8, 900}, "numSet=9\n1 2 3 4 5 6 7 8 \n900 \n"},
    };
    for (const Case& c : cases) {
        BitVector vector;
        for (int32_t bit : c.bits) vector.set(bit);
        std::ostringstream text;
        vector.print(text);
        EXPECT_EQ(text.str(), c.text);
    }
}

TEST(BitVector, SplitGivesEachPartsFirstBitAndTheBitsBeforeIt) {
    struct Case {
        std::vector<int32_t> bits;
        int32_t parts;
        std::vector<int32_t> firstBits, before;
    };
    const std::vector<Case> cases = {
        {{2, 4, 6, 8, 10, 12, 14, 16, 18, 20}, 3, {2, 8, 14, -1}, {0, 3, 6, 10}},
        {{5, 9}, 4, {5, 5, 9, 9, -1}, {0, 0, 1, 1, 2}},
        {{7, 8, 9}, 1, {7, -1}, {0, 3}},
        {{}, 2, {-1, -1, -1}, {0, 0, 0}},
        {{1, 2, 3, 4, 5, 6, 7}, 7, {1, 2, 3, 4, 5, 6, 7, -1}, {0, 1, 2, 3, 4, 5, 6, 7}},
    };
    for (const Case& c : cases) {
        BitVector vector;
        for (int32_t bit : c.bits) vector.set(bit);
        std::vector<int32_t> firstBits(c.firstBits.size(), 99);
        std::vector<int32_t> before(c.before.size(), 99);
        ASSERT_TRUE(vector.split(c.parts, firstBits, before));
        EXPECT_EQ(firstBits, c.firstBits) << c.parts;
        EXPECT_EQ(before, c.before) << c.parts;
    }
    std::vector<int32_t> room(3, 99);
    const BitVector vector = withBits({1, 2, 3});
    EXPECT_FALSE(vector.split(0, room, room));
    EXPECT_FALSE(vector.split(3, room, room)) << "arrays need parts + 1 entries";
    EXPECT_EQ(room, (std::vector<int32_t>(3, 99)));
}

TEST(BitVector, ThinningKeepsARoundedShareOfTheSetBits) {
    struct Case {
        double fraction;
        int32_t kept;
    };
    for (const Case& c : {Case{0.5, 4}, Case{0.0, 0}, Case{1.0, 7}, Case{0.3, 2}, Case{-1.0, 0}, Case{2.0, 7},
                          Case{std::nan(""), 0}}) {
        IPtr<RefRandom> random(new RefRandom);
        BitVector vector = withBits({1, 5, 9, 33, 64, 65, 200});
        const BitVector original(vector);
        ASSERT_TRUE(vector.thin(c.fraction, random.get()));
        EXPECT_EQ(vector.count(), c.kept) << c.fraction;
        BitVector outside(vector);
        outside.andNot(original);
        EXPECT_EQ(outside.count(), 0) << "only set bits are kept";
    }
    // Each of 5 bits survives a 2-of-5 thinning about 40 % of the time.
    IPtr<RefRandom> random(new RefRandom);
    random->seed(7);
    std::vector<int> survived(5, 0);
    const int trials = 4000;
    for (int trial = 0; trial < trials; ++trial) {
        BitVector vector = withBits({0, 1, 2, 3, 4});
        vector.thin(0.4, random.get());
        ASSERT_EQ(vector.count(), 2);
        for (int32_t bit = 0; bit < 5; ++bit) survived[static_cast<size_t>(bit)] += vector.test(bit);
    }
    for (int count : survived) EXPECT_NEAR(count, trials * 0.4, trials * 0.04);
}

TEST(BitVector, ThinningWithoutAGeneratorSeedsTheHostsWith2CountPlus412) {
    BitVector unchanged = withBits({1, 2, 3});
    EXPECT_FALSE(unchanged.thin(0.5)) << "no host generator";
    EXPECT_EQ(unchanged.count(), 3);

    ServiceScope host;
    IPtr<RefRandom> hostRandom(new RefRandom);
    host.add(hostRandom.get(), "ITesRandom");
    BitVector viaHost;
    BitVector viaOwn;
    for (int32_t bit = 0; bit < 300; bit += 3) {
        viaHost.set(bit);
        viaOwn.set(bit);
    }
    IPtr<RefRandom> own(new RefRandom);
    own->seed(2 * 100 + 412);
    ASSERT_TRUE(viaHost.thin(0.25));
    ASSERT_TRUE(viaOwn.thin(0.25, own.get()));
    EXPECT_EQ(viaHost.count(), 25);
    EXPECT_TRUE(viaHost == viaOwn);
}

TEST(BitVector, MappedOperationsWalkTheMapsNonZeroEntries) {
    TesMM::IntArray map;
    map.set(1, 10);
    map.set(2, 11);
    map.set(3, 12);
    map.set(4, 200);
    map.set(5, -3);
    const BitVector other = withBits({1, 3, 4});

    BitVector assigned = withBits({11, 40});
    assigned.assignMapped(map, other);
    EXPECT_EQ(setBits(assigned), (std::vector<int32_t>{10, 12, 40, 200}));
    EXPECT_EQ(assigned.knownCount(), 4) << "a known count stays exact";
    EXPECT_EQ(assigned.lastIndex(), 255);

    BitVector anded = withBits({10, 11, 12, 13});
    anded.andMapped(map, other);
    EXPECT_EQ(setBits(anded), (std::vector<int32_t>{10, 12, 13}));

    BitVector ored = withBits({11});
    ored.orMapped(map, other);
    EXPECT_EQ(setBits(ored), (std::vector<int32_t>{10, 11, 12, 200}));

    TesMM::IntArray twice;
    twice.set(1, 7);
    twice.set(2, 7);
    twice.set(3, 8);
    BitVector toggled = withBits({8});
    toggled.toggleMapped(twice);
    EXPECT_EQ(setBits(toggled), std::vector<int32_t>{}) << "7 toggled twice, 8 once";
}

TEST(ProgBitVectorIter, WalksTheBitsReportsProgressAndCompletion) {
    ServiceScope host;
    IPtr<RefProgress> progress(new RefProgress(nullptr));
    host.add(progress.get(), "ITesProgress");
    BitVector vector(9999);
    for (int32_t bit = 5; bit < 10000; bit += 5) vector.set(bit);
    std::vector<int32_t> walked;
    {
        ProgBitVectorIter walk(vector);
        for (int32_t bit = walk.next(); bit >= 0; bit = walk.next()) walked.push_back(bit);
        EXPECT_EQ(walk.next(), -1) << "stays at the end";
        EXPECT_FALSE(walk.stopped());
        EXPECT_EQ(progress->fractions().size(), 100u) << "one report per hundredth of the vector";
    }
    EXPECT_EQ(walked, setBits(vector));
    ASSERT_FALSE(progress->fractions().empty());
    EXPECT_EQ(progress->fractions().back(), 1.0f) << "completion on destruction";
    EXPECT_TRUE(std::is_sorted(progress->fractions().begin(), progress->fractions().end()));

    progress->reset();
    const BitVector clearBits = withBits({0, 1, 3}, 4);
    ProgBitVectorIter clear(clearBits, false);
    EXPECT_EQ(clear.next(), 2);
    EXPECT_EQ(clear.next(), 4);
    clear.reset(vector);
    EXPECT_EQ(clear.next(), 0) << "reset starts over on the other vector";

    progress->reset();
    progress->stopAt(0.5f);
    ProgBitVectorIter stopped(vector);
    int32_t last = -1;
    for (int32_t bit = stopped.next(); bit >= 0; bit = stopped.next()) last = bit;
    EXPECT_TRUE(stopped.stopped());
    EXPECT_GE(last, 4900);
    EXPECT_LT(last, 5200);
}

TEST(BitVectorRecord, DenseAndSparseBytes) {
    struct Case {
        const char* name;
        BitVector vector;
        uint32_t version;
        std::vector<uint8_t> bytes;
    };
    BitVector unknown = withBits({1});
    unknown.invert();
    BitVector forty(40 * 32 - 1);
    forty.set(3);
    forty.set(100);
    forty.set(1279);
    std::vector<Case> cases;
    cases.push_back({"dense", withBits({1, 33}, 63), 0,
                     {0x31, 0x5E, 0x97, 0xD6, 0, 0, 0, 2, 0, 0, 0, 0x3F, 0, 0, 0, 0, 0, 0, 0, 2,  //
                      0, 0, 0, 2, 0, 0, 0, 2}});
    cases.push_back({"unknown count", std::move(unknown), 0,
                     {0x31, 0x5E, 0x97, 0xD6, 0, 0, 0, 1, 0, 0, 0, 0x1F, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF,  //
                      0xFF, 0xFF, 0xFF, 0xFD}});
    cases.push_back({"sparse", std::move(forty), 0,
                     {0x31, 0x5E, 0x97, 0xD6, 0, 0, 0, 40, 0, 0, 0x04, 0xFF, 0, 0, 0, 1, 0, 0, 0, 3,  //
                      0, 0, 0, 3, 0, 0, 0, 100, 0, 0, 0x04, 0xFF}});
    for (Case& c : cases) {
        MemoryOutput out;
        out.setVersion(c.version);
        ASSERT_TRUE(c.vector.write(out)) << c.name;
        out.flush();
        EXPECT_EQ(out.bytes, c.bytes) << c.name;
    }
}

TEST(BitVectorRecord, SparseOnlyAtVersionZeroOrFromThirteen) {
    struct Case {
        int32_t words, bits;
        uint32_t version;
        bool sparse;
    };
    for (const Case& c : {Case{40, 3, 0, true}, Case{40, 3, 1, false}, Case{40, 3, 12, false}, Case{40, 3, 13, true},
                          Case{40, 3, 99, true}, Case{40, 19, 0, true}, Case{40, 20, 0, false}, Case{40, 30, 0, false},
                          Case{32, 0, 0, false}, Case{33, 0, 0, true}}) {
        BitVector vector(c.words * 32 - 1);
        for (int32_t bit = 0; bit < c.bits; ++bit) vector.set(bit * 7);
        MemoryOutput out;
        out.setVersion(c.version);
        ASSERT_TRUE(vector.write(out));
        out.flush();
        ASSERT_GE(out.bytes.size(), 16u);
        EXPECT_EQ(out.bytes[15], c.sparse ? 1 : 0) << c.words << " words, " << c.bits << " bits, version " << c.version;
        EXPECT_EQ(out.bytes.size(), 20u + 4u * static_cast<size_t>(c.sparse ? c.bits : c.words));
        MemoryInput in(out.bytes);
        BitVector back;
        ASSERT_TRUE(back.read(in));
        EXPECT_TRUE(back == vector);
        EXPECT_EQ(back.lastIndex(), vector.lastIndex());
        EXPECT_EQ(back.knownCount(), c.sparse ? c.bits : -1) << "a dense read leaves the count unknown";
    }
}

std::vector<uint8_t> record(std::initializer_list<uint32_t> values) {
    std::vector<uint8_t> bytes;
    for (uint32_t value : values) {
        for (int shift = 24; shift >= 0; shift -= 8) bytes.push_back(static_cast<uint8_t>(value >> shift));
    }
    return bytes;
}

// An input that does not know its length, as a pipe would not.
class UnknownLengthInput : public MemoryInput {
public:
    explicit UnknownLengthInput(std::vector<uint8_t> bytes) : MemoryInput(std::move(bytes)) { setLength(0); }
};

TEST(BitVectorRecord, OddRecordsAreReadAsTheyCome) {
    constexpr uint32_t kTag = 0x315E97D6;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool result;
        int32_t lastIndex;
        std::vector<int32_t> bits;
        bool lengthKnown = true;
    };
    const std::vector<Case> cases = {
        {"no words", record({kTag, 0, 63, 0, 5, 7, 7}), true, 31, {}},
        {"last index 0", record({kTag, 2, 0, 0, 5, 7, 7}), true, 31, {}},
        {"stored count dropped", record({kTag, 1, 31, 0, 17, 6}), true, 31, {1, 2}},
        {"index beyond the last grows", record({kTag, 2, 63, 1, 2, 4, 300}), true, 511, {4, 300}},
        {"other version", record({0x315E9701, 1, 31, 0, 1, 1}), true, 31, {0}},
        {"too many words", record({kTag, (1u << 26) + 1, 63, 0, 0}), false, 31, {}},
        {"sparse flag 2", record({kTag, 1, 31, 2, 0, 1}), false, 31, {}},
        {"negative index", record({kTag, 40, 1279, 1, 2, 3, 0xFFFFFFF0}), false, 1279, {3}},
        {"negative sparse count", record({kTag, 40, 1279, 1, 0xFFFFFFFF}), false, 31, {}},
        {"claims more than the input", record({kTag, 1u << 26, INT32_MAX, 0, 0, 1, 2}), false, 31, {}},
        {"cut short", record({kTag, 3, 95, 0, 3, 2, 2}), false, 31, {}},
        {"cut short, length unknown", record({kTag, 3, 95, 0, 3, 2, 2}), false, 95, {1, 33}, false},
        {"cut short, sparse", record({kTag, 40, 1279, 1, 3, 5, 6}), false, 31, {}},
        {"cut short, sparse, length unknown", record({kTag, 40, 1279, 1, 3, 5, 6}), false, 1279, {5, 6}, false},
    };
    for (const Case& c : cases) {
        BitVector vector = withBits({2, 3, 5000});
        MemoryInput known(c.bytes);
        UnknownLengthInput unknown(c.bytes);
        EXPECT_EQ(vector.read(c.lengthKnown ? static_cast<BinInput&>(known) : unknown), c.result) << c.name;
        EXPECT_EQ(vector.lastIndex(), c.lastIndex) << c.name;
        EXPECT_EQ(setBits(vector), c.bits) << c.name;
    }
    BitVector versioned;
    MemoryInput in(record({0x315E9701, 1, 31, 0, 1, 1}));
    ASSERT_TRUE(versioned.read(in));
    EXPECT_EQ(versioned.magic().word(), 0x315E9701) << "the tag read replaces the stored one";
}

TEST(BitVectorRecord, AForeignTagStopsTheReadAndKeepsTheVector) {
    BitVector vector = withBits({7, 9});
    MemoryInput in(record({0x315E98D6, 1, 31, 0, 1, 1}));
    EXPECT_FALSE(vector.read(in));
    EXPECT_EQ(in.tell(), 4);
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{7, 9}));
    EXPECT_EQ(vector.magic().word(), BitVector::kMagicWord);
    EXPECT_TRUE(BitVector::isMagic(0x315E97D6));
    EXPECT_FALSE(BitVector::isMagic(0x315E9701));
    MemoryInput truncatedHeader(record({0x315E97D6, 1, 31}));
    EXPECT_FALSE(vector.read(truncatedHeader));
    EXPECT_EQ(setBits(vector), (std::vector<int32_t>{7, 9}));
}

TEST(BitVectorRecord, AFailingStreamAnswersFalse) {
    BitVector vector(100000);
    vector.invert();
    MemoryOutput out;
    out.failAfter = 2;
    EXPECT_FALSE(vector.write(out));
}

TEST(BitVectorProperty, RandomOperationsMatchThePlainModel) {
    for (uint32_t seed : {1u, 2u, 3u}) {
        SCOPED_TRACE(seed);
        bitsetmodel::MixedProperty property(seed, 150000, false);
        property.run(250);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
