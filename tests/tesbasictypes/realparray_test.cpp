// What RealPArray adds to every point array, seen through TesVectorArray:
// names, overloads, sorting steps, bounding boxes, equality, colours and the
// colour block, vertex arrays and the factory. Colour objects and the factory
// are the reference host's, offered by a component manager that has no
// memory manager.
#include "realparray.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "bitvector.h"
#include "blockbitvector.h"
#include "enumeration.h"
#include "memorystreams.h"
#include "pointbytes.h"
#include "refcomponentmanager.h"
#include "refpointarrays.h"
#include "servicelookup.h"
#include "tesassert.h"
#include "tesvectorarray.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// A host with the point-array services for the length of a test.
class PointServices {
public:
    PointServices() : manager_(new RefComponentManager) {
        manager_->addService(new RefPointExtraInfo, {"ITesPointExtraInfo"});
        manager_->addService(new RefRealPArrayFactory, {"IRealPArrayFactory"});
        tesSetComponentManager(manager_.get());
    }
    ~PointServices() { tesSetComponentManager(nullptr); }

private:
    IPtr<RefComponentManager> manager_;
};

struct AssertRecord {
    std::vector<std::tuple<std::string, std::string>> reports;
    static void hook(void* context, const char* expression, const char* source, int) {
        static_cast<AssertRecord*>(context)->reports.emplace_back(expression, source);
    }
};

// Three points with colours red, green and blue, in the reference host's
// colour object.
void colorThree(TesVectorArray& array) {
    for (int32_t i = 1; i <= 3; ++i) array.add(i, i, i);
    auto* colors = new RefPointExtraInfo;
    colors->resize(3);
    array.attachColors(colors);
    const float rgb[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
    for (int32_t i = 1; i <= 3; ++i) array.setColor(i, rgb[i - 1]);
}

std::vector<uint8_t> colorBlock(const RealPArray& array, int32_t lastEntry, const BlockBitVector* skip = nullptr) {
    MemoryOutput out;
    EXPECT_TRUE(array.writeColors(out, lastEntry, skip));
    out.flush();
    return out.bytes;
}

TEST(RealPArray, AnswersItsNamesAndEnumeratesThem) {
    IPtr<TesVectorArray> array(new TesVectorArray);
    void* face = nullptr;
    for (const char* name : {"TesVectorArray", "RealPArray", "IRealPArray", "ITesUnknown"}) {
        array->queryInterface(name, &face);
        EXPECT_NE(face, nullptr) << name;
    }
    array->queryInterface("IRealPArray", &face);
    EXPECT_EQ(face, static_cast<IRealPArray*>(array.get()));
    array->queryInterface("VertexArrayImp", &face);
    EXPECT_EQ(face, nullptr);
    EXPECT_STREQ(array->className(), "TesVectorArray");
    EnumerationContext context;
    context.enumerate(array.get());
    const std::vector<EnumeratedName> expected = {{"TesVectorArray", 1, ""},
                                                  {"RealPArray", 1, "TesVectorArray"},
                                                  {"IRealPArray", 0, "RealPArray"}};
    EXPECT_EQ(context.entries(), expected);
}

TEST(RealPArray, FloatFormsAndSpareSlotsReportAssertionZero) {
    AssertRecord record;
    tesSetAssertHook(&AssertRecord::hook, &record);
    TesVectorArray array;
    const float xyz[3] = {1, 2, 3};
    EXPECT_EQ(array.add(xyz), 0);
    array.set(1, xyz);
    array.reservedSlot26();
    array.reservedSlot27();
    tesSetAssertHook(nullptr, nullptr);
    EXPECT_EQ(array.count(), 0);
    EXPECT_EQ(array.at(1), TesVector());
    ASSERT_EQ(record.reports.size(), 4u);
    for (const auto& [expression, source] : record.reports) {
        EXPECT_EQ(expression, "0");
        EXPECT_EQ(source, "src/tesbasictypes/realparray");
    }
}

TEST(RealPArray, EveryAddSetAndGetFormMeetsTheSamePoint) {
    TesVectorArray array;
    const double xyz[3] = {1.5, -2.5, 3.25};
    EXPECT_EQ(array.add(xyz), 1);
    EXPECT_EQ(array.add(static_cast<const double*>(nullptr)), 2);
    EXPECT_EQ(array.add(4.0, 5.0, 6.0), 3);
    EXPECT_EQ(array.at(1), TesVector(1.5, -2.5, 3.25));
    EXPECT_EQ(array.at(2), TesVector()) << "a null pointer appends the origin";
    array.set(2, 7.0, 8.0, 9.0);
    EXPECT_EQ(array.at(2), TesVector(7, 8, 9));
    array.set(2, static_cast<const double*>(nullptr));
    EXPECT_EQ(array.at(2), TesVector());
    array.set(2, xyz);
    float floats[3];
    array.get(2, floats);
    EXPECT_EQ(floats[0], 1.5f);
    EXPECT_EQ(floats[2], 3.25f);
    double doubles[3];
    array.get(3, doubles);
    EXPECT_EQ(doubles[1], 5.0);
    double x = 0, y = 0, z = 0;
    array.get(1, x, y, z);
    EXPECT_EQ(TesVector(x, y, z), TesVector(1.5, -2.5, 3.25));
}

TEST(RealPArray, CompareOrdersByXThenYThenZAndNaNIsEqual) {
    struct Case {
        TesVector a, b;
        int order;
    };
    for (const Case& c : {Case{{1, 5, 5}, {2, 0, 0}, -1}, Case{{2, 0, 0}, {1, 5, 5}, 1}, Case{{1, 2, 3}, {1, 2, 3}, 0},
                          Case{{1, 2, 3}, {1, 3, 0}, -1}, Case{{1, 2, 4}, {1, 2, 3}, 1},
                          Case{{kNaN, 0, 0}, {1, 0, 0}, 0}, Case{{kNaN, 0, 0}, {kNaN, 1, 0}, -1},
                          Case{{1, kNaN, 9}, {1, 0, 0}, 1}, Case{{-0.0, 0, 0}, {0, 0, 0}, 0}}) {
        TesVectorArray array;
        array.add(c.a);
        array.add(c.b);
        RealPArray::Compare compare(&array);
        EXPECT_EQ(compare.compare(1, 2), c.order) << c.a.x << " " << c.a.y << " " << c.a.z;
    }
}

TEST(RealPArray, AssignMovesPointsThroughTheTemporary) {
    TesVectorArray array;
    array.add(1, 1, 1);
    array.add(2, 2, 2);
    RealPArray::Assign assign(&array);
    assign.assign(-1, 1);
    assign.assign(1, 2);
    assign.assign(2, -1);
    EXPECT_EQ(array.at(1), TesVector(2, 2, 2));
    EXPECT_EQ(array.at(2), TesVector(1, 1, 1));
    assign.assign(-1, -1);
    assign.assign(1, -1);
    EXPECT_EQ(array.at(1), TesVector(1, 1, 1)) << "the temporary keeps its point";
}

TEST(RealPArray, QuickSortWithItsStepsSortsPointsAndPermutesNaN) {
    std::mt19937 random(3);
    std::vector<TesVector> points;
    for (int i = 0; i < 3000; ++i) {
        points.emplace_back(static_cast<double>(random() % 20), static_cast<double>(random() % 5),
                            static_cast<double>(random() % 1000) / 7.0);
    }
    TesVectorArray array;
    for (const TesVector& point : points) array.add(point);
    RealPArray::Compare compare(&array);
    RealPArray::Assign assign(&array);
    tesQuickSort(1, array.count(), compare, assign);
    std::sort(points.begin(), points.end(), [](const TesVector& a, const TesVector& b) {
        return std::tie(a.x, a.y, a.z) < std::tie(b.x, b.y, b.z);
    });
    for (int32_t i = 1; i <= array.count(); ++i) ASSERT_EQ(array.at(i), points[i - 1]) << i;

    TesVectorArray withNaN;
    for (int i = 0; i < 500; ++i) withNaN.add(i % 3 == 0 ? kNaN : 500.0 - i, static_cast<double>(i), 0.0);
    RealPArray::Compare nanCompare(&withNaN);
    RealPArray::Assign nanAssign(&withNaN);
    tesQuickSort(1, withNaN.count(), nanCompare, nanAssign);
    std::vector<double> ys;
    for (int32_t i = 1; i <= withNaN.count(); ++i) ys.push_back(withNaN.at(i).y);
    std::sort(ys.begin(), ys.end());
    for (int i = 0; i < 500; ++i) ASSERT_EQ(ys[i], i) << "every point is still there once";
    EXPECT_EQ(withNaN.at(0), TesVector()) << "element 0 untouched";
}

// Selections of every density against a box worked out by hand.
TEST(RealPArray, BoundingBoxOverSelectionsOfEveryDensity) {
    TesVectorArray array;
    for (int32_t i = 1; i <= 5000; ++i) array.add(std::sin(i) * i, std::cos(i) * 10, i % 17 == 0 ? kNaN : -i);
    struct Case {
        const char* name;
        std::vector<int32_t> bits;
    };
    std::vector<int32_t> all, third, sparse;
    for (int32_t i = 1; i <= 5000; ++i) all.push_back(i);
    for (int32_t i = 3; i <= 6000; i += 3) third.push_back(i);
    for (int32_t i = 1; i <= 5000; i += 997) sparse.push_back(i);
    for (const Case& c : {Case{"all", all}, Case{"every third, some beyond the count", third},
                          Case{"sparse", sparse}, Case{"one", {4999}}, Case{"bit 0 only", {0}},
                          Case{"beyond the count only", {5001, 40000}}, Case{"none", {}}}) {
        TesVector expectedMin(1e42, 1e42, 1e42);
        TesVector expectedMax(-1e42, -1e42, -1e42);
        BitVector bits;
        BlockBitVector blocks;
        for (int32_t bit : c.bits) {
            bits.set(bit);
            blocks.set(bit);
            if (bit < 1 || bit > 5000) continue;
            const TesVector p = array.at(bit);
            expectedMin = {std::fmin(expectedMin.x, p.x), std::fmin(expectedMin.y, p.y), std::fmin(expectedMin.z, p.z)};
            expectedMax = {std::fmax(expectedMax.x, p.x), std::fmax(expectedMax.y, p.y), std::fmax(expectedMax.z, p.z)};
        }
        TesVector min, max;
        array.boundingBox(min, max, bits);
        EXPECT_EQ(min, expectedMin) << c.name;
        EXPECT_EQ(max, expectedMax) << c.name;
        array.boundingBox(min, max, blocks);
        EXPECT_EQ(min, expectedMin) << c.name << " (blocks)";
        EXPECT_EQ(max, expectedMax) << c.name << " (blocks)";
    }
    TesVector min, max;
    array.boundingBox(min, max);
    TesVector selectedMin, selectedMax;
    BitVector every;
    every.setFirst(5000);
    array.boundingBox(selectedMin, selectedMax, every);
    EXPECT_EQ(min, selectedMin) << "all points selected is the plain box";
    EXPECT_EQ(max, selectedMax);

    TesVectorArray empty;
    empty.boundingBox(min, max, every);
    EXPECT_EQ(min, TesVector()) << "an empty array gives the origin, selection or not";
    EXPECT_EQ(max, TesVector());
}

TEST(RealPArray, MaxAbsCoordinateAndResize) {
    struct Case {
        std::vector<TesVector> points;
        double expected;
    };
    for (const Case& c : {Case{{}, 1e-16}, Case{{{-3, 1, 2}}, 3}, Case{{{0, 0, 0}}, 1e-16}, Case{{{1e-20, 0, 0}}, 1e-16},
                          Case{{{1, 2, -7}, {kNaN, 6, 0}}, 7}}) {
        TesVectorArray array;
        for (const TesVector& point : c.points) array.add(point);
        EXPECT_EQ(array.maxAbsCoordinate(), c.expected);
    }
    TesVectorArray array;
    array.resize(3);
    EXPECT_EQ(array.count(), 3);
    for (int32_t i = 1; i <= 3; ++i) EXPECT_EQ(array.at(i), TesVector());
    array.resize(1);
    EXPECT_EQ(array.count(), 3) << "resize never shrinks";
    array.resize(-2);
    EXPECT_EQ(array.count(), 3);
}

TEST(RealPArray, EqualityWantsSameCountPointsAndColours) {
    TesVectorArray a;
    TesVectorArray b;
    EXPECT_TRUE(a == b);
    a.add(1, 2, 3);
    EXPECT_FALSE(a == b) << "counts differ";
    b.add(1, 2, 3);
    EXPECT_TRUE(a == b);
    b.set(1, 1, 2, 4);
    EXPECT_FALSE(a == b);
    b.set(1, 1, 2, 3);
    b.add(5, 5, 5);
    b.removeLast(1);
    EXPECT_TRUE(a == b) << "what lies beyond the count does not matter";

    TesVectorArray n1, n2;
    n1.add(kNaN, 0, 0);
    n2.add(kNaN, 0, 0);
    EXPECT_FALSE(n1 == n2) << "NaN makes arrays unequal";
    EXPECT_FALSE(n1 == n1);

    TesVectorArray c1, c2;
    colorThree(c1);
    colorThree(c2);
    EXPECT_TRUE(c1 == c2);
    const float gray[3] = {0.5f, 0.5f, 0.5f};
    c2.setColor(3, gray);
    EXPECT_FALSE(c1 == c2) << "colours differ";
    c2.attachColors(nullptr);
    EXPECT_FALSE(c1 == c2) << "only one has colours";
    c1.attachColors(nullptr);
    EXPECT_TRUE(c1 == c2);
}

TEST(RealPArray, ColourAccessGoesThroughEntryIndexMinusOne) {
    TesVectorArray array;
    float rgb[3] = {0, 0, 0};
    EXPECT_FALSE(array.hasColors());
    EXPECT_FALSE(array.getColor(1, rgb));
    EXPECT_FALSE(array.setColor(1, rgb));
    colorThree(array);
    ASSERT_TRUE(array.hasColors());
    struct Case {
        int32_t index;
        bool found;
        float r, g, b;
    };
    for (const Case& c : {Case{1, true, 1, 0, 0}, Case{2, true, 0, 1, 0}, Case{3, true, 0, 0, 1},
                          Case{0, false, 0, 0, 0}, Case{4, false, 0, 0, 0}}) {
        float got[3] = {0, 0, 0};
        EXPECT_EQ(array.getColor(c.index, got), c.found) << c.index;
        EXPECT_EQ(got[0], c.r) << c.index;
        EXPECT_EQ(got[1], c.g) << c.index;
        EXPECT_EQ(got[2], c.b) << c.index;
        double r = -1, g = -1, b = -1;
        EXPECT_EQ(array.getColor(c.index, r, g, b), c.found);
        if (c.found) {
            EXPECT_EQ(TesVector(r, g, b), TesVector(c.r, c.g, c.b));
        }
        EXPECT_EQ(array.colorRGBA(c.index), (std::array<float, 4>{c.r, c.g, c.b, 1.0f}));
    }

    const float white[3] = {1, 1, 1};
    ASSERT_TRUE(array.setColor(2, white));
    float out[4];
    EXPECT_TRUE(array.pointAndGray(2, out));
    EXPECT_EQ(out[0], 2.0f);
    EXPECT_NEAR(out[3], 1.0f, 1e-6f);
    EXPECT_TRUE(array.pointAndGray(1, out));
    EXPECT_NEAR(out[3], 0.3f, 1e-6f);
    EXPECT_FALSE(array.pointAndGray(4, out)) << "beyond the count";
    TesVectorArray plain;
    plain.add(1, 2, 3);
    EXPECT_FALSE(plain.pointAndGray(1, out)) << "no colours";
    EXPECT_EQ(out[2], 3.0f);
}

TEST(RealPArray, EnableColorsTakesAnObjectFromTheService) {
    TesVectorArray array;
    array.add(1, 1, 1);
    array.add(2, 2, 2);
    EXPECT_FALSE(array.enableColors(true)) << "no service";
    EXPECT_FALSE(array.enableColors(false)) << "already off";
    {
        PointServices services;
        EXPECT_TRUE(array.enableColors(true));
        EXPECT_FALSE(array.enableColors(true)) << "already on";
        ASSERT_NE(array.colors(), nullptr);
        EXPECT_EQ(array.colors()->count(), 2);
        float rgb[3] = {1, 1, 1};
        EXPECT_TRUE(array.getColor(2, rgb));
        EXPECT_EQ(rgb[0], 0.0f) << "new colours are black";
    }
    EXPECT_TRUE(array.enableColors(false));
    EXPECT_EQ(array.colors(), nullptr) << "an object left empty is released";
    EXPECT_FALSE(array.hasColors());
}

TEST(RealPArray, ColourBlockBytes) {
    TesVectorArray array;
    colorThree(array);
    BlockBitVector skipMiddle;
    skipMiddle.set(1);
    BlockBitVector skipBeyond;
    skipBeyond.set(5);
    BlockBitVector skipNone;
    struct Case {
        const char* name;
        int32_t lastEntry;
        const BlockBitVector* skip;
        std::vector<uint8_t> floats, packed;
    };
    const auto floatBlock = [](int32_t count) { return PointBytes().word(1).word(static_cast<uint32_t>(count)); };
    const auto packedBlock = [](int32_t count) { return PointBytes().word(3).word(static_cast<uint32_t>(count)); };
    const Case cases[] = {
        {"all", 2, nullptr, floatBlock(3).single(1).single(0).single(0).single(0).single(1).single(0).single(0).single(0).single(1),
         packedBlock(3).word(0xFF0000).word(0x00FF00).word(0x0000FF)},
        {"last entry beyond the colours", INT32_MAX, nullptr,
         floatBlock(3).single(1).single(0).single(0).single(0).single(1).single(0).single(0).single(0).single(1),
         packedBlock(3).word(0xFF0000).word(0x00FF00).word(0x0000FF)},
        {"first entry only", 0, nullptr, floatBlock(1).single(1).single(0).single(0), packedBlock(1).word(0xFF0000)},
        {"no entry", -1, nullptr, floatBlock(0), packedBlock(0)},
        {"far below", INT32_MIN, nullptr, floatBlock(0), packedBlock(0)},
        {"middle skipped", 2, &skipMiddle, floatBlock(2).single(1).single(0).single(0).single(0).single(0).single(1),
         packedBlock(2).word(0xFF0000).word(0x0000FF)},
        {"skip bit beyond the entries", 2, &skipBeyond,
         floatBlock(3).single(1).single(0).single(0).single(0).single(1).single(0).single(0).single(0).single(1),
         packedBlock(3).word(0xFF0000).word(0x00FF00).word(0x0000FF)},
        {"skip set empty", 0, &skipNone, floatBlock(1).single(1).single(0).single(0), packedBlock(1).word(0xFF0000)},
    };
    for (const Case& c : cases) {
        array.setPackedColors(false);
        EXPECT_EQ(colorBlock(array, c.lastEntry, c.skip), c.floats) << c.name;
        array.setPackedColors(true);
        EXPECT_EQ(colorBlock(array, c.lastEntry, c.skip), c.packed) << c.name << " (packed)";
    }

    TesVectorArray plain;
    plain.setPackedColors(true);
    EXPECT_EQ(colorBlock(plain, 5), PointBytes().word(0).bytes()) << "no colour object: flags only";
    array.colors()->clear();
    EXPECT_EQ(colorBlock(array, 5), PointBytes().word(2).bytes()) << "inactive colours: flags only, bit 1 kept";
}

TEST(RealPArray, ColourBlockReadsFloatAndPackedEntries) {
    PointServices services;
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        bool good;
        bool colors;
        uint32_t second;  // packed value of point 2 afterwards
    };
    const Case cases[] = {
        {"floats", PointBytes().word(1).word(2).single(1).single(0).single(0).single(0).single(0.5f).single(1), true,
         true, 0x0080FF},
        {"packed", PointBytes().word(3).word(3).word(1).word(0xFF123456).word(3), true, true, 0xFF123456},
        {"more bits in the flags", PointBytes().word(0x105).word(1).single(1).single(1).single(1), true, true, 0},
        {"no colours", PointBytes().word(0), true, false, 0},
        {"packed bit alone", PointBytes().word(2), true, false, 0},
        {"negative count", PointBytes().word(1).word(0xFFFFFFFF), false, true, 0},
        {"cut short", PointBytes().word(3).word(3).word(1).word(2), false, true, 0},
        {"flags cut short", {0, 0}, false, false, 0},
        {"huge count, little data", PointBytes().word(3).word(0x7FFFFFFF).word(1), false, true, 0},
    };
    for (const Case& c : cases) {
        TesVectorArray array;
        for (int32_t i = 1; i <= 4; ++i) array.add(i, i, i);
        MemoryInput in(c.block);
        EXPECT_EQ(array.readColors(in), c.good) << c.name;
        EXPECT_EQ(array.colors() != nullptr, c.colors) << c.name;
        if (!c.good || !c.colors) continue;
        EXPECT_EQ(array.colors()->count(), 4) << c.name << ": resized to the array's count";
        EXPECT_EQ(array.colors()->packed(1), c.second) << c.name;
        EXPECT_EQ(array.colors()->packed(3), 0u) << c.name << ": entries beyond the block are black";
    }
}

TEST(RealPArray, ColourBlockRoundTripsWithASkipSet) {
    PointServices services;
    TesVectorArray array;
    for (int32_t i = 1; i <= 2500; ++i) array.add(i, 0, 0);
    ASSERT_TRUE(array.enableColors(true));
    for (int32_t i = 1; i <= 2500; ++i) {
        const float rgb[3] = {static_cast<float>(i % 256) / 255.0f, 0.0f, static_cast<float>((i / 256) % 256) / 255.0f};
        array.setColor(i, rgb);
    }
    BlockBitVector skip;
    skip.setRange(100, 199);
    for (bool packed : {false, true}) {
        array.setPackedColors(packed);
        MemoryOutput out;
        ASSERT_TRUE(array.writeColors(out, array.count() - 1, &skip));
        out.flush();
        TesVectorArray copy;
        copy.setCount(2400);
        MemoryInput in(out.bytes);
        ASSERT_TRUE(copy.readColors(in)) << packed;
        EXPECT_EQ(in.tell(), static_cast<int64_t>(out.bytes.size()));
        for (int32_t entry : {0, 99, 100, 1000, 2399}) {
            const int32_t source = entry < 100 ? entry : entry + 100;
            EXPECT_EQ(copy.colors()->packed(entry), array.colors()->packed(source)) << packed << " " << entry;
        }
    }
}

TEST(RealPArray, AssignmentCopiesColoursByTheirPresence) {
    TesVectorArray colored;
    colorThree(colored);
    colored.setUserValue(2.5);
    TesVectorArray plain;
    plain.add(9, 9, 9);

    TesVectorArray target;
    target = colored;
    ASSERT_NE(target.colors(), nullptr) << "a clone of the other's colours";
    EXPECT_NE(target.colors(), colored.colors());
    EXPECT_TRUE(target == colored);
    EXPECT_EQ(target.userValue(), 2.5);
    ITesPointExtraInfo* kept = target.colors();
    const float gray[3] = {0.5f, 0.5f, 0.5f};
    colored.setColor(1, gray);
    target = colored;
    EXPECT_EQ(target.colors(), kept) << "both have colours: assigned in place";
    EXPECT_TRUE(target == colored);
    target = plain;
    EXPECT_EQ(target.colors(), nullptr) << "the other has none: released";
    EXPECT_EQ(target.userValue(), 1.0);

    TesVectorArray withColors(colored);
    EXPECT_TRUE(withColors == colored);
    TesVectorArray without(colored, false);
    EXPECT_EQ(without.colors(), nullptr);
    EXPECT_EQ(without.count(), 3);
    IPtr<IRealPArray> clone(colored.clone());
    EXPECT_TRUE(clone->hasColors());

    plain.swapColors(colored);
    EXPECT_TRUE(plain.hasColors());
    EXPECT_FALSE(colored.hasColors());
    EXPECT_EQ(plain.userValue(), 2.5);
    EXPECT_EQ(colored.userValue(), 1.0);
}

TEST(RealPArray, VertexArrayViewsThePointsWithTheCountAtCreation) {
    IPtr<TesVectorArray> array(new TesVectorArray);
    array->add(1, 2, 3);
    array->add(4, 5, 6);
    IPtr<VertexArrayImp> vertices(array->createVertexArray());
    array->add(7, 8, 9);
    EXPECT_EQ(vertices->size(), 3);
    float floats[3];
    vertices->vertex(2, floats);
    EXPECT_EQ(floats[1], 5.0f);
    double doubles[3];
    vertices->vertex(3, doubles);
    EXPECT_EQ(doubles[2], 9.0) << "reads go to the array as it is now";
    EXPECT_STREQ(vertices->className(), "VertexArrayImp");
    void* face = nullptr;
    vertices->queryInterface("VertexArrayImp", &face);
    EXPECT_EQ(face, vertices.get());
    vertices->queryInterface("IRealPArray", &face);
    EXPECT_EQ(face, nullptr);
    const uint32_t references = array->refCount();
    vertices.reset();
    EXPECT_EQ(array->refCount(), references - 1) << "the view held the array";
}

TEST(RealPArray, CreateArrayAsksTheFactoryWithThePeekedWord) {
    const std::vector<uint8_t> record = PointBytes().header(1).point(1, 2, 3);
    {
        MemoryInput in(record);
        EXPECT_EQ(createArray(in), nullptr) << "no factory";
    }
    PointServices services;
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
        bool made;
    };
    for (const Case& c : {Case{"vector array", record, true}, Case{"version 1", PointBytes().header(1, 1), true},
                          Case{"bit vector", PointBytes().word(0x315E97D6), false}, Case{"empty input", {}, false}}) {
        MemoryInput in(c.bytes);
        IPtr<IRealPArray> array(createArray(in));
        EXPECT_EQ(static_cast<bool>(array), c.made) << c.name;
        EXPECT_EQ(in.tell(), 0) << c.name << ": the word is not consumed";
        if (!array || c.bytes.size() < record.size()) continue;
        ASSERT_TRUE(array->read(in)) << c.name;
        TesVector point;
        array->get(1, point);
        EXPECT_EQ(point, TesVector(1, 2, 3));
    }
}

}  // namespace
