// What RealPArray adds to every point array, seen through TesVectorArray. Colour objects and the factory are
// the reference host's, offered by a component manager that has no memory manager.
#include "realparray.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "assertreports.h"
#include "bitvector.h"
#include "blockbitvector.h"
#include "enumeration.h"
#include "pointbytes.h"
#include "infrastructure/refcomponentmanager.h"
#include "document/refpointarrays.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kRGB[3][3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
using Box = std::pair<TesVector, TesVector>;

// A host with the point-array services for the length of a test.
struct PointServices {
    IPtr<RefComponentManager> manager{new RefComponentManager};
    IPtr<RefPointExtraInfo> offered{new RefPointExtraInfo};
    PointServices() {
        manager->addService(offered.get(), {"ITesPointExtraInfo"});
        manager->addService(new RefRealPArrayFactory, {"IRealPArrayFactory"});
        tesSetComponentManager(manager.get());
    }
    ~PointServices() { tesSetComponentManager(nullptr); }
};

TesVectorArray pointsOf(const std::vector<TesVector>& points) {
    TesVectorArray array;
    for (const TesVector& point : points) array.add(point);
    return array;
}

// Points (1, 1, 1) ... (3, 3, 3) coloured red, green and blue by a colour object of the reference host.
TesVectorArray colorThree() {
    TesVectorArray array = pointsOf({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}});
    array.attachColors(new RefPointExtraInfo);
    array.colors()->resize(3);
    for (int32_t i = 1; i <= 3; ++i) array.setColor(i, kRGB[i - 1]);
    return array;
}

std::vector<uint8_t> colorBlock(const RealPArray& array, int32_t lastEntry, const BlockBitVector* skip = nullptr) {
    MemoryOutput out;
    EXPECT_TRUE(array.writeColors(out, lastEntry, skip));
    out.flush();
    return out.bytes;
}

template <class... Selection>
Box boxOf(const TesVectorArray& array, const Selection&... selection) {
    TesVector min, max;
    array.boundingBox(min, max, selection...);
    return {min, max};
}

TEST(RealPArray, EnumeratesItsClassesAndInterface) {
    IPtr<TesVectorArray> array(new TesVectorArray);
    EnumerationContext context;
    context.enumerate(array.get());
    EXPECT_EQ(context.entries(), (std::vector<EnumeratedName>{{"TesVectorArray", 1, ""},
                                                              {"RealPArray", 1, "TesVectorArray"},
                                                              {"IRealPArray", 0, "RealPArray"}}));
}

TEST(RealPArray, FloatFormsAndSpareSlotsReportAssertionZeroAndDoNothing) {
    AssertReports asserts;
    TesVectorArray array;
    const float xyz[3] = {1, 2, 3};
    EXPECT_EQ(array.add(xyz), 0);
    array.set(1, xyz);
    array.reservedSlot26();
    array.reservedSlot27();
    EXPECT_EQ(array.at(1), TesVector());
    EXPECT_EQ(asserts.texts, std::vector<std::string>(4, "0 @ src/tesbasictypes/realparray"));
}

TEST(RealPArray, NullPointersStandForTheOriginAndResizeNeverShrinks) {
    TesVectorArray array = pointsOf({{1, 2, 3}});
    EXPECT_EQ(array.add(static_cast<const double*>(nullptr)), 2);
    array.set(1, static_cast<const double*>(nullptr));
    EXPECT_TRUE(array == pointsOf({{}, {}}));
    double x = 1, y = 1, z = 1;
    array.get(2, x, y, z);
    EXPECT_EQ(TesVector(x, y, z), TesVector());
    array.resize(4);
    EXPECT_EQ(array.count(), 4);
    array.resize(-2);
    EXPECT_EQ(array.count(), 4);
}

TEST(RealPArray, CompareOrdersByXThenYThenZAndNaNIsEqual) {
    struct Row {
        const char* name;
        TesVector a, b;
        int order;
    };
    for (const Row& row : {Row{"x first", {1, 5, 5}, {2, 0, 0}, -1}, Row{"then y", {1, 2, 3}, {1, 3, 0}, -1},
                           Row{"then z", {1, 2, 4}, {1, 2, 3}, 1}, Row{"NaN x is equal", {kNaN, 0, 0}, {1, 0, 0}, 0},
                           Row{"NaN x, y decides", {kNaN, 0, 0}, {kNaN, 1, 0}, -1},
                           Row{"-0 is 0", {-0.0, 0, 0}, {}, 0}}) {
        TesVectorArray array = pointsOf({row.a, row.b});
        EXPECT_EQ(RealPArray::Compare(&array).compare(1, 2), row.order) << row.name;
    }
}

// The direct steps on a TesVectorArray leave every bit of every point and of
// the temporary as the virtual steps do, with NaNs, -0 and ties among them,
// whether every page is stored (sorted in one block) or a page of origins is
// not (sorted in place).
TEST(RealPArray, QuickSortOnTheLibrarysOwnArrayMatchesTheVirtualSteps) {
    for (const bool gap : {false, true}) {
        TesVectorArray direct;
        for (int32_t i = 0; i < 3000; ++i) {
            const bool origin = gap && i >= 1023 && i < 2047;  // indices 1024 ... 2047, page 1
            direct.add(origin ? TesVector() : TesVector(i % 7 ? (i * 37) % 11 : kNaN, (i * 13) % 5, i % 3 ? 0.0 : -0.0));
        }
        TesVectorArray throughVirtuals(direct);
        RealPArray::Compare compare(&direct);
        RealPArray::Assign assign(&direct);
        RealPArray::Compare virtualCompare(&throughVirtuals);
        RealPArray::Assign virtualAssign(&throughVirtuals);
        tesQuickSort(1, direct.count(), compare, assign);
        tesQuickSort(1, direct.count(), static_cast<QuickSort_Compare&>(virtualCompare), virtualAssign);
        EXPECT_EQ(std::memcmp(&assign.temporary(), &virtualAssign.temporary(), sizeof(TesVector)), 0) << gap;
        for (int32_t i = 0; i <= direct.count(); ++i) {
            const TesVector a = direct.at(i);
            const TesVector b = throughVirtuals.at(i);
            ASSERT_EQ(std::memcmp(&a, &b, sizeof a), 0) << gap << " " << i;
        }
    }
}

TEST(RealPArray, BoundingBoxOfASelectionPassesOverNaNAndBitsOutsideTheCount) {
    const TesVectorArray array = pointsOf({{1, -1, 5}, {kNaN, 7, 0}, {-3, 2, kNaN}});
    const TesVector far(1e42, 1e42, 1e42);
    struct Row {
        const char* name;
        std::vector<int32_t> bits;
        Box box;
    };
    for (const Row& row : {Row{"1 and 3", {1, 3}, {{-3, -1, 5}, {1, 2, 5}}},
                           Row{"NaN passed over", {2, 3}, {{-3, 2, 0}, {-3, 7, 0}}},
                           Row{"bit 0 and beyond the count", {0, 1, 4, 40000}, {{1, -1, 5}, {1, -1, 5}}},
                           Row{"none", {}, {far, -far}}}) {
        BitVector bits;
        BlockBitVector blocks;
        for (int32_t bit : row.bits) {
            bits.set(bit);
            blocks.set(bit);
        }
        EXPECT_EQ(boxOf(array, bits), row.box) << row.name;
        EXPECT_EQ(boxOf(array, blocks), row.box) << row.name;
    }
    BitVector every;
    every.setFirst(3);
    EXPECT_EQ(boxOf(array), boxOf(array, every)) << "all points selected is the plain box";
    EXPECT_EQ(boxOf(TesVectorArray(), every), Box()) << "an empty array gives the origin";
    EXPECT_EQ(boxOf(TesVectorArray()), Box());
}

TEST(RealPArray, MaxAbsCoordinateIsAtLeast1em16AndPassesOverNaN) {
    EXPECT_EQ(TesVectorArray().maxAbsCoordinate(), 1e-16);
    EXPECT_EQ(pointsOf({{1e-20, 0, 0}}).maxAbsCoordinate(), 1e-16);
    EXPECT_EQ(pointsOf({{1, 2, -7}, {kNaN, 6, 0}}).maxAbsCoordinate(), 7);
}

TEST(RealPArray, EqualityWantsSameCountPointsAndColours) {
    TesVectorArray a = pointsOf({{1, 2, 3}}), b = pointsOf({{1, 2, 3}, {5, 5, 5}});
    EXPECT_FALSE(a == b) << "counts differ";
    b.removeLast(1);
    b.set(1, 1, 2, 4);
    EXPECT_FALSE(a == b) << "points differ";
    b.set(1, 1, 2, 3);
    EXPECT_TRUE(a == b) << "what lies beyond the count does not matter";
    const TesVectorArray withNaN = pointsOf({{kNaN, 0, 0}});
    EXPECT_FALSE(withNaN == withNaN);
    TesVectorArray c1 = colorThree(), c2 = colorThree();
    c2.setColor(3, kRGB[0]);
    EXPECT_FALSE(c1 == c2) << "colours differ";
    c2.attachColors(nullptr);
    EXPECT_FALSE(c1 == c2) << "only one has colours";
}

TEST(RealPArray, AssignmentCopiesColoursByTheirPresence) {
    TesVectorArray colored = colorThree(), plain = pointsOf({{9, 9, 9}}), target;
    colored.setUserValue(2.5);
    target = colored;
    EXPECT_NE(target.colors(), colored.colors()) << "a clone of the other's colours";
    EXPECT_TRUE(target == colored);
    EXPECT_EQ(target.userValue(), 2.5);
    ITesPointExtraInfo* kept = target.colors();
    colored.setColor(1, kRGB[1]);
    target = colored;
    EXPECT_EQ(target.colors(), kept) << "both have colours: assigned in place";
    EXPECT_TRUE(target == colored);
    target = plain;
    EXPECT_EQ(target.colors(), nullptr) << "the other has none: released";
    EXPECT_EQ(target.userValue(), 1.0);
    EXPECT_TRUE(TesVectorArray(colored) == colored);
    EXPECT_EQ(TesVectorArray(colored, false).colors(), nullptr);
    IPtr<IRealPArray> clone(colored.clone());
    const auto* cloned = dynamic_cast<TesVectorArray*>(clone.get());
    ASSERT_NE(cloned, nullptr);
    EXPECT_TRUE(*cloned == colored);
    plain.swap(colored);  // the points only; the colours go with swapColors
    EXPECT_EQ(plain.count(), 3);
    EXPECT_EQ(plain.colors(), nullptr);
    plain.swapColors(colored);
    EXPECT_TRUE(plain == *cloned);
}

TEST(RealPArray, ColourAccessGoesThroughEntryIndexMinusOne) {
    TesVectorArray array;
    const float white[3] = {1, 1, 1};
    float out[4];
    EXPECT_FALSE(array.getColor(1, out) || array.setColor(1, white)) << "no colours";
    array = colorThree();
    for (const auto& [index, rgba] : {std::pair{1, std::array<float, 4>{1, 0, 0, 1}}, {3, {0, 0, 1, 1}},
                                      {0, {0, 0, 0, 1}}, {4, {0, 0, 0, 1}}}) {
        EXPECT_EQ(array.colorRGBA(index), rgba) << index;
    }
    double r = 0, g = 0, b = 0;
    EXPECT_TRUE(array.getColor(3, r, g, b));
    EXPECT_EQ(TesVector(r, g, b), TesVector(0, 0, 1));
    EXPECT_TRUE(array.pointAndGray(1, out));
    EXPECT_EQ(out[0], 1.0f);
    EXPECT_NEAR(out[3], 0.3f, 1e-6f) << "red";
    EXPECT_TRUE(array.pointAndGray(3, out)) << "the last";
    EXPECT_FALSE(array.pointAndGray(4, out)) << "beyond the count";
    EXPECT_FALSE(pointsOf({{1, 2, 3}}).pointAndGray(1, out)) << "no colours";
}

TEST(RealPArray, EnableColorsTakesAnObjectFromTheService) {
    TesVectorArray array = pointsOf({{1, 1, 1}, {2, 2, 2}});
    EXPECT_FALSE(array.enableColors(true)) << "no service";
    EXPECT_FALSE(array.enableColors(false)) << "already off";
    {
        PointServices services;
        EXPECT_TRUE(array.enableColors(true));
        EXPECT_FALSE(array.enableColors(true)) << "already on";
        EXPECT_EQ(array.colors()->count(), 2);
        EXPECT_EQ(array.colorRGBA(2), (std::array<float, 4>{0, 0, 0, 1})) << "new colours are black";
        EXPECT_NE(array.colors(), services.offered.get()) << "a new object, the offered one left alone";
        EXPECT_FALSE(services.offered->isActive());
    }
    EXPECT_TRUE(array.enableColors(false));
    EXPECT_EQ(array.colors(), nullptr) << "an object left empty is released";
}

TEST(RealPArray, ColourBlockBytes) {
    TesVectorArray array = colorThree();
    BlockBitVector skipMiddle, skipBeyond;
    skipMiddle.set(1);
    skipBeyond.set(5);
    struct Row {
        const char* name;
        int32_t lastEntry;
        const BlockBitVector* skip;
        std::vector<int> written;
    };
    for (const Row& row : {Row{"all", 2, nullptr, {0, 1, 2}}, Row{"last entry beyond", INT32_MAX, nullptr, {0, 1, 2}},
                           Row{"first entry only", 0, nullptr, {0}}, Row{"no entry", -1, nullptr, {}},
                           Row{"middle skipped", 2, &skipMiddle, {0, 2}},
                           Row{"skip bit beyond", 2, &skipBeyond, {0, 1, 2}}}) {
        PointBytes floats, packed;
        floats.word(1).word(row.written.size());
        packed.word(3).word(row.written.size());
        for (int k : row.written) {
            floats.single(kRGB[k][0]).single(kRGB[k][1]).single(kRGB[k][2]);
            packed.word(0xFF0000 >> (8 * k));
        }
        array.setPackedColors(false);
        EXPECT_EQ(colorBlock(array, row.lastEntry, row.skip), floats.bytes) << row.name;
        array.setPackedColors(true);
        EXPECT_EQ(colorBlock(array, row.lastEntry, row.skip), packed.bytes) << row.name << " (packed)";
    }
    EXPECT_EQ(colorBlock(TesVectorArray(), 5), PointBytes().word(0).bytes) << "no colour object: flags only";
    array.colors()->clear();
    EXPECT_EQ(colorBlock(array, 5), PointBytes().word(2).bytes) << "inactive colours: flags only, bit 1 kept";
}

TEST(RealPArray, ColourBlockReadsFloatAndPackedEntries) {
    PointServices services;
    struct Row {
        const char* name;
        std::vector<uint8_t> block;
        bool good, colors;
        uint32_t second;  // packed value of point 2 afterwards
    };
    for (const Row& row : {
             Row{"floats", PointBytes().word(1).word(2).single(1).single(0).single(0).single(0).single(0.5f).single(1),
                 true, true, 0x0080FF},
             Row{"packed", PointBytes().word(3).word(3).word(1).word(0xFF123456).word(3), true, true, 0xFF123456},
             Row{"no colours", PointBytes().word(0), true, false, 0},
             Row{"negative count", PointBytes().word(1).word(0xFFFFFFFF), false, true, 0},
             Row{"flags cut short", {0, 0}, false, false, 0},
         }) {
        TesVectorArray array = pointsOf({{1, 1, 1}, {2, 2, 2}, {3, 3, 3}, {4, 4, 4}});
        MemoryInput in(row.block);
        EXPECT_EQ(array.readColors(in), row.good) << row.name;
        EXPECT_EQ(array.colors() != nullptr, row.colors) << row.name;
        if (!row.good || !row.colors) continue;
        EXPECT_EQ(array.colors()->count(), 4) << row.name << ": resized to the array's count";
        EXPECT_EQ(array.colors()->packed(1), row.second) << row.name;
        EXPECT_EQ(array.colors()->packed(3), 0u) << row.name << ": entries beyond the block are black";
    }
}

TEST(RealPArray, ColourBlockRoundTripsAcrossPieces) {
    PointServices services;
    TesVectorArray array;
    array.resize(2500);
    ASSERT_TRUE(array.enableColors(true));
    uint32_t* packed = array.colors()->packedStorage();
    for (uint32_t i = 0; i < 2500; ++i) packed[i] = (i * 2654435761u) & 0xFFFFFF;
    for (bool packedColors : {false, true}) {
        array.setPackedColors(packedColors);
        MemoryInput in(colorBlock(array, array.count() - 1));
        TesVectorArray copy;
        copy.setCount(2500);
        ASSERT_TRUE(copy.readColors(in)) << packedColors;
        for (int32_t entry : {0, 1023, 1024, 2499}) EXPECT_EQ(copy.colors()->packed(entry), packed[entry]) << entry;
    }
}

TEST(RealPArray, VertexArrayHoldsTheArrayAndKeepsTheCountAtCreation) {
    IPtr<TesVectorArray> array(new TesVectorArray);
    const uint32_t references = array->refCount();
    IPtr<VertexArrayImp> vertices(array->createVertexArray());
    array->add(4, 5, 6);
    EXPECT_EQ(vertices->size(), 1);
    double xyz[3];
    vertices->vertex(1, xyz);
    EXPECT_EQ(xyz[2], 6.0) << "reads go to the array as it is now";
    float single[3];
    vertices->vertex(1, single);
    EXPECT_EQ(single[0], 4.0f);
    vertices.reset();
    EXPECT_EQ(array->refCount(), references);
}

TEST(RealPArray, CreateArrayAsksTheFactoryWithThePeekedWord) {
    MemoryInput noService(PointBytes().header(1));
    EXPECT_EQ(createArray(noService), nullptr);
    PointServices services;
    MemoryInput in(PointBytes().header(1));
    IPtr<IRealPArray> array(createArray(in));
    EXPECT_TRUE(array);
    EXPECT_EQ(in.tell(), 0) << "the word is not consumed";
}

}  // namespace
