// TesVectorArray in a process without a host memory manager: chunks come from
// the system allocator. Chunk allocation through the host is tested in memory/.
#include "tesvectorarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "pointbytes.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int64_t chunks(const TesVectorArray& array) { return array.storageBytes() / TesVectorArray::kChunkBytes; }

TesVector nth(int32_t i) { return {static_cast<double>(i), 10.0 * i, 100.0 * i}; }

// Points nth(1) ... nth(n).
TesVectorArray filled(int32_t n) {
    TesVectorArray array;
    for (int32_t i = 1; i <= n; ++i) array.add(nth(i));
    return array;
}

// The x of points 1 ... count.
std::vector<double> xs(const TesVectorArray& array) {
    std::vector<double> values;
    for (int32_t i = 1; i <= array.count(); ++i) values.push_back(array.at(i).x);
    return values;
}

TEST(TesVectorArray, AddDoublesTheCapacityFromSixteenAndFillsChunkZeroFromPointOne) {
    struct Row {
        int32_t count, capacity;
        int64_t chunks;
    };
    TesVectorArray array;
    for (const Row& row :
         {Row{15, 16, 1}, Row{16, 32, 1}, Row{1023, 1024, 1}, Row{1024, 2048, 2}, Row{2048, 4096, 3}}) {
        for (int32_t i = array.count() + 1; i <= row.count; ++i) ASSERT_EQ(array.add(nth(i)), i);
        EXPECT_EQ(array.capacity(), row.capacity) << row.count << ": element 0 takes a slot";
        EXPECT_EQ(chunks(array), row.chunks) << row.count;
    }
    for (int32_t i : {1, 1023, 1024, 2048}) EXPECT_EQ(array.at(i), nth(i)) << i << ": growing moves no point";
}

TEST(TesVectorArray, TheOriginInAMissingChunkTakesNoMemory) {
    TesVectorArray array;
    array.set(5000, TesVector());
    EXPECT_GE(array.capacity(), 5001) << "the table covers the index all the same";
    array.set(5000, TesVector(0.0, 0.0, 1e-300));
    array.set(5000, TesVector());
    EXPECT_EQ(array.at(5000), TesVector()) << "in an existing chunk the origin is stored";
    for (int32_t i = 0; i < 3000; ++i) array.add(TesVector());
    EXPECT_EQ(chunks(array), 1) << "appending the origin allocates nothing either";
}

TEST(TesVectorArray, LoweringTheCountKeepsThePointsForPlainReads) {
    struct Row {
        const char* name;
        void (*apply)(TesVectorArray&);
        int32_t count;
    };
    for (const Row& row : {Row{"removeLast(-1)", [](TesVectorArray& a) { a.removeLast(-1); }, 5},
                           Row{"removeLast(2)", [](TesVectorArray& a) { a.removeLast(2); }, 3},
                           Row{"removeLast(INT32_MAX)", [](TesVectorArray& a) { a.removeLast(INT32_MAX); }, 0},
                           Row{"setCount(-4)", [](TesVectorArray& a) { a.setCount(-4); }, 0}}) {
        TesVectorArray array = filled(5);
        row.apply(array);
        EXPECT_EQ(array.count(), row.count) << row.name;
        TesVector point(9, 9, 9);
        for (int32_t i = 0; i <= 6; ++i) {
            const bool inside = i >= 1 && i <= row.count;
            EXPECT_EQ(array.getChecked(i, point), inside) << row.name << ", point " << i;
            EXPECT_EQ(point, inside ? nth(i) : TesVector()) << row.name << ", point " << i;
        }
        array.setCount(5);
        EXPECT_EQ(xs(array), (std::vector<double>{1, 2, 3, 4, 5})) << row.name;
    }
    EXPECT_EQ(filled(4).removeLast(3), 1) << "the new count";
    for (int32_t outside : {-1, 1024, INT32_MAX, INT32_MIN}) EXPECT_EQ(filled(5).at(outside), TesVector()) << outside;
}

TEST(TesVectorArray, InsertMovesThePointsFromTheIndexUp) {
    struct Row {
        int32_t filled, index, returned;
        std::vector<double> result;
    };
    for (const Row& row : {Row{3, 1, 1, {7, 1, 2, 3}}, Row{3, 3, 3, {1, 2, 7, 3}}, Row{3, 4, 4, {1, 2, 3, 7}},
                           Row{3, 9, 4, {1, 2, 3, 7}}, Row{3, 0, 0, {1, 2, 3}}, Row{0, 1, 1, {7}}}) {
        TesVectorArray array = filled(row.filled);
        EXPECT_EQ(array.insert(row.index, TesVector(7, 0, 0)), row.returned) << row.index;
        EXPECT_EQ(xs(array), row.result) << row.index;
    }
    TesVectorArray across = filled(1030);
    across.insert(1, TesVector(-1, 0, 0));
    EXPECT_EQ(across.at(1024).x, 1023) << "moved over the chunk edge";
    EXPECT_EQ(across.at(1031).x, 1030);
}

TEST(TesVectorArray, RemoveMovesEveryElementAboveDownElementCountPlusOneIncluded) {
    struct Row {
        int32_t index;
        std::vector<double> result;
        double above;  // x of the element after the new count
    };
    for (const Row& row : {Row{1, {2, 3, 4}, 5}, Row{4, {1, 2, 3}, 5}, Row{9, {1, 2, 3}, 4}, Row{0, {1, 2, 3, 4}, 5}}) {
        TesVectorArray array = filled(5);
        array.removeLast(1);
        array.remove(row.index);
        EXPECT_EQ(xs(array), row.result) << row.index;
        EXPECT_EQ(array.at(array.count() + 1).x, row.above) << row.index;
    }
    TesVectorArray empty;
    empty.remove(1);
    EXPECT_EQ(empty.count(), 0);
}

TEST(TesVectorArray, SetGrowRaisesTheCountOnlyAndReverseSpansChunks) {
    TesVectorArray grown;
    grown.setGrow(3000, TesVector(1, 1, 1));
    grown.setGrow(10, TesVector(2, 2, 2));
    grown.setGrow(-1, TesVector(3, 3, 3));
    EXPECT_EQ(grown.count(), 3000) << "only an index above the count raises it";
    EXPECT_EQ(grown.at(10).x, 2);
    for (int32_t n : {0, 1, 2, 2049}) {
        TesVectorArray array = filled(n);
        array.reverse();
        std::vector<double> expected;
        for (int32_t i = n; i >= 1; --i) expected.push_back(i);
        EXPECT_EQ(xs(array), expected) << n;
    }
}

TEST(TesVectorArray, TransformDividesByWUnlessItIsOne) {
    struct Row {
        const char* name;
        std::vector<double> matrix;
        TesVector point, expected;
    };
    for (const Row& row : {Row{"affine", {0, -1, 0, 10, 1, 0, 0, 20, 0, 0, 2, 30, 0, 0, 0, 1}, {1, 2, 3}, {8, 21, 36}},
                           Row{"w = z", {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0}, {2, 4, 4}, {0.5, 1, 1}}}) {
        TesVectorArray array;
        array.add(row.point);
        array.transform(row.matrix.data());
        EXPECT_EQ(array.at(1), row.expected) << row.name;
    }
    const double nanW[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, kNaN};
    TesVectorArray array = filled(1);
    array.transform(nanW);
    EXPECT_TRUE(std::isnan(array.at(1).x)) << "a NaN w is not 1, so it divides";
}

TEST(TesVectorArray, TransformCreatesMissingChunksAndStopsAtTheCount) {
    const double shift[16] = {1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    TesVectorArray array;
    array.setCount(2100);
    array.set(2101, TesVector(7, 7, 7));
    array.transform(shift);
    array.transform(nullptr);  // does nothing
    for (int32_t i : {1, 1023, 1024, 2100}) EXPECT_EQ(array.at(i), TesVector(5, 0, 0)) << i;
    EXPECT_EQ(array.at(2101), TesVector(7, 7, 7)) << "beyond the count";
    EXPECT_EQ(array.at(0), TesVector()) << "element 0 is no point";
}

TEST(TesVectorArray, RecordBytesAreBigEndianWithMissingChunksAsTheOrigin) {
    EXPECT_EQ(recordBytes(TesVectorArray()), (std::vector<uint8_t>{0x0B, 0x91, 0x6B, 0x00, 0x00, 0x00, 0x00, 0x00}));
    TesVectorArray array;
    array.add(1.0, -2.0, 0.5);
    array.setGrow(2050, TesVector(1, 2, 3));
    PointBytes expected;
    expected.header(2050).point(1, -2, 0.5);
    for (int32_t i = 2; i < 2050; ++i) expected.point(0, 0, 0);
    EXPECT_EQ(recordBytes(array), expected.point(1, 2, 3).bytes);
}

TEST(TesVectorArray, ReadRefusesOtherTagsAndVersionsLeavingTheArrayEmpty) {
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    for (const Row& row : {Row{"version 1", PointBytes().header(1, 1).point(1, 2, 3)},
                           Row{"another tag", PointBytes().word(0x315E97D6).word(1).point(1, 2, 3)},
                           Row{"no count", PointBytes().word(0x0B916B00)}, Row{"nothing", {}}}) {
        TesVectorArray array = filled(3);
        MemoryInput in(row.bytes);
        EXPECT_FALSE(array.read(in)) << row.name;
        EXPECT_EQ(array.count(), 0) << row.name << ": read clears first";
    }
}

TEST(TesVectorArray, ShortRecordsFailKeepingThePointsRead) {
    struct Row {
        const char* name;
        int32_t claimed;
        size_t pointBytes;
        int32_t count;
        int64_t chunks;
    };
    // Huge claimed counts are in memory/tesvectorarray_test.cpp.
    for (const Row& row : {Row{"half a point", 3, 2 * 24 + 12, 2, 1}, Row{"no point", 3, 0, 0, 0},
                           Row{"a byte short of a chunk", 1023, 1023 * 24 - 1, 1022, 1}}) {
        PointBytes record;
        record.header(row.claimed);
        for (int32_t i = 1; i <= 1023; ++i) record.point(i, i, i);
        record.bytes.resize(8 + row.pointBytes);
        TesVectorArray array;
        MemoryInput in(record);
        EXPECT_FALSE(array.read(in)) << row.name;
        EXPECT_EQ(array.count(), row.count) << row.name;
        EXPECT_EQ(chunks(array), row.chunks) << row.name << ": chunks only for points that arrived";
        EXPECT_EQ(array.at(row.count).x, row.count) << row.name;
        EXPECT_EQ(array.at(row.count + 1), TesVector()) << row.name << ": no half point is left behind";
    }
}

TEST(TesVectorArray, WriteStopsAtTheFirstFailureOfTheOutput) {
    MemoryOutput out;
    out.failAfter = 2;
    EXPECT_FALSE(filled(3000).write(out));
    EXPECT_EQ(out.writes.size(), 3u);
}

TEST(TesVectorArray, CopiesOwnTheirStorageBeyondTheCount) {
    TesVectorArray original = filled(1500);
    original.removeLast(100);
    TesVectorArray copy(original);
    EXPECT_EQ(copy.count(), 1400);
    EXPECT_EQ(copy.capacity(), original.capacity());
    EXPECT_EQ(copy.at(1500).x, 1500) << "the storage is copied beyond the count too";
    copy.set(1, TesVector(-1, -1, -1));
    EXPECT_EQ(original.at(1).x, 1);
    TesVectorArray assigned = filled(5000);
    assigned = original;
    const TesVectorArray& itself = assigned;
    assigned = itself;
    EXPECT_TRUE(assigned == original) << "self-assignment keeps the points";
}

}  // namespace
