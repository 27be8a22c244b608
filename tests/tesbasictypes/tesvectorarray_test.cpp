// TesVectorArray in a process without a host memory manager: chunks come from
// the system allocator. Chunk allocation through the host is tested in memory/.
#include "tesvectorarray.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

#include "memorystreams.h"
#include "pointbytes.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

int64_t chunks(const TesVectorArray& array) { return array.storageBytes() / TesVectorArray::kChunkBytes; }

// Points (1, 10, 100), (2, 20, 200), ... (n, 10n, 100n).
void fill(TesVectorArray& array, int32_t n) {
    for (int32_t i = 1; i <= n; ++i) array.add(i, 10.0 * i, 100.0 * i);
}

std::vector<double> xs(const TesVectorArray& array) {
    std::vector<double> values;
    for (int32_t i = 1; i <= array.count(); ++i) values.push_back(array.at(i).x);
    return values;
}

std::vector<uint8_t> written(const TesVectorArray& array) {
    MemoryOutput out;
    EXPECT_TRUE(array.write(out));
    out.flush();
    return out.bytes;
}

TEST(TesVectorArray, AddGrowsTheCapacityByDoublingFromSixteen) {
    struct Case {
        int32_t count, capacity;
    };
    TesVectorArray array;
    EXPECT_EQ(array.capacity(), 0);
    int32_t added = 0;
    for (const Case& c : {Case{1, 16}, Case{15, 16}, Case{16, 32}, Case{31, 32}, Case{32, 64}, Case{1023, 1024},
                          Case{1024, 2048}, Case{2047, 2048}, Case{2048, 4096}}) {
        while (added < c.count) EXPECT_EQ(array.add(1.0, 2.0, 3.0), ++added);
        EXPECT_EQ(array.count(), c.count);
        EXPECT_EQ(array.capacity(), c.capacity) << c.count << ": element 0 takes a slot";
    }
}

TEST(TesVectorArray, ChunkZeroHoldsPointsOneTo1023) {
    struct Case {
        int32_t count;
        int64_t chunks;
    };
    TesVectorArray array;
    int32_t added = 0;
    for (const Case& c : {Case{1, 1}, Case{1023, 1}, Case{1024, 2}, Case{1025, 2}, Case{2047, 2}, Case{2048, 3}}) {
        while (added < c.count) {
            ++added;
            array.add(added, -added, 0.5);
        }
        EXPECT_EQ(chunks(array), c.chunks) << c.count;
    }
    for (int32_t i : {1, 1022, 1023, 1024, 1025, 2048}) {
        EXPECT_EQ(array.at(i), TesVector(i, -i, 0.5)) << i << ": the chunk edge moves no point";
    }
}

TEST(TesVectorArray, OriginPointsInUntouchedChunksTakeNoMemory) {
    TesVectorArray array;
    array.set(5000, TesVector());
    EXPECT_EQ(chunks(array), 0) << "storing the origin in a missing chunk creates nothing";
    EXPECT_EQ(array.at(5000), TesVector());
    EXPECT_GE(array.capacity(), 5001) << "the table covers the index all the same";
    array.set(5000, TesVector(0.0, 0.0, 1e-300));
    EXPECT_EQ(chunks(array), 1);
    EXPECT_EQ(array.at(5000).z, 1e-300);
    array.set(5001, TesVector());
    EXPECT_EQ(array.at(5001), TesVector()) << "in an existing chunk the origin is stored";
    for (int32_t i = 0; i < 3000; ++i) array.add(TesVector());
    EXPECT_EQ(chunks(array), 1) << "appending the origin allocates nothing either";
    EXPECT_EQ(array.count(), 3000);
}

TEST(TesVectorArray, PlainReadIgnoresTheCountCheckedReadDoesNot) {
    TesVectorArray array;
    fill(array, 5);
    TesVector point(9, 9, 9);
    EXPECT_FALSE(array.getChecked(0, point));
    EXPECT_EQ(point, TesVector()) << "a refused checked read gives the origin";
    EXPECT_TRUE(array.getChecked(5, point));
    EXPECT_EQ(point, TesVector(5, 50, 500));
    EXPECT_FALSE(array.getChecked(6, point));

    struct Step {
        const char* name;
        void (*apply)(TesVectorArray&);
        int32_t count;
    };
    const Step steps[] = {
        {"removeLast(2)", [](TesVectorArray& a) { a.removeLast(2); }, 3},
        {"setCount(1)", [](TesVectorArray& a) { a.setCount(1); }, 1},
        {"clear()", [](TesVectorArray& a) { a.clear(); }, 0},
    };
    for (const Step& step : steps) {
        step.apply(array);
        EXPECT_EQ(array.count(), step.count) << step.name;
        for (int32_t i = 1; i <= 5; ++i) {
            EXPECT_EQ(array.at(i), TesVector(i, 10.0 * i, 100.0 * i)) << step.name << ": the stored point " << i;
            EXPECT_EQ(array.getChecked(i, point), i <= step.count) << step.name << ", point " << i;
        }
    }
    for (int32_t outside : {-1, 6, 1023, 1024, 5000, INT32_MAX, INT32_MIN}) {
        EXPECT_EQ(array.at(outside), TesVector()) << outside << ": outside the storage or in a missing chunk";
    }
    array.setCount(-4);
    EXPECT_EQ(array.count(), 0);
    array.setCount(5);
    EXPECT_EQ(xs(array), (std::vector<double>{1, 2, 3, 4, 5})) << "setCount brings the stored points back";
}

TEST(TesVectorArray, InsertAppendsThenMovesThePointsAbove) {
    struct Case {
        int32_t index;
        int32_t returned;
        std::vector<double> result;
    };
    for (const Case& c : {Case{1, 1, {7, 1, 2, 3}}, Case{2, 2, {1, 7, 2, 3}}, Case{3, 3, {1, 2, 7, 3}},
                          Case{4, 4, {1, 2, 3, 7}}, Case{9, 4, {1, 2, 3, 7}}, Case{0, 0, {1, 2, 3}},
                          Case{-3, 0, {1, 2, 3}}}) {
        TesVectorArray array;
        fill(array, 3);
        EXPECT_EQ(array.insert(c.index, TesVector(7, 0, 0)), c.returned) << c.index;
        EXPECT_EQ(xs(array), c.result) << c.index;
    }
    TesVectorArray across;
    fill(across, 1030);
    across.insert(1, TesVector(-1, 0, 0));
    EXPECT_EQ(across.count(), 1031);
    EXPECT_EQ(across.at(1).x, -1);
    EXPECT_EQ(across.at(1024).x, 1023) << "moved over the chunk edge";
    EXPECT_EQ(across.at(1031).x, 1030);
    TesVectorArray empty;
    EXPECT_EQ(empty.insert(1, TesVector(4, 0, 0)), 1);
    EXPECT_EQ(xs(empty), (std::vector<double>{4}));
}

TEST(TesVectorArray, RemoveMovesEveryElementAboveDownByOne) {
    struct Case {
        int32_t index;
        std::vector<double> result;
    };
    for (const Case& c : {Case{1, {2, 3, 4}}, Case{2, {1, 3, 4}}, Case{4, {1, 2, 3}}, Case{5, {1, 2, 3}},
                          Case{9, {1, 2, 3}}, Case{0, {1, 2, 3, 4}}, Case{-1, {1, 2, 3, 4}}}) {
        TesVectorArray array;
        fill(array, 5);
        array.removeLast(1);
        array.remove(c.index);
        EXPECT_EQ(xs(array), c.result) << c.index;
    }
    TesVectorArray array;
    fill(array, 5);
    array.removeLast(1);
    array.remove(2);
    EXPECT_EQ(array.at(4).x, 5) << "element count + 1 moves down as well";
    TesVectorArray beyond;
    fill(beyond, 3);
    beyond.remove(3 + 5);
    EXPECT_EQ(xs(beyond), (std::vector<double>{1, 2}));
    EXPECT_EQ(beyond.at(3).x, 3) << "removing the last point only lowers the count";
    TesVectorArray empty;
    empty.remove(1);
    EXPECT_EQ(empty.count(), 0);
}

TEST(TesVectorArray, RemoveLastSetGrowReverseAndSwap) {
    struct Case {
        int32_t n, count;
    };
    for (const Case& c : {Case{-1, 4}, Case{0, 4}, Case{3, 1}, Case{4, 0}, Case{100, 0}, Case{INT32_MAX, 0}}) {
        TesVectorArray array;
        fill(array, 4);
        EXPECT_EQ(array.removeLast(c.n), c.count) << c.n;
        EXPECT_EQ(array.count(), c.count) << c.n;
    }

    TesVectorArray grown;
    grown.setGrow(3000, TesVector(1, 1, 1));
    EXPECT_EQ(grown.count(), 3000);
    EXPECT_GE(grown.capacity(), 3001);
    grown.setGrow(10, TesVector(2, 2, 2));
    EXPECT_EQ(grown.count(), 3000) << "an index below the count leaves it";
    EXPECT_EQ(grown.at(10).x, 2);
    grown.setGrow(-1, TesVector(3, 3, 3));
    EXPECT_EQ(grown.count(), 3000);

    for (int32_t n : {0, 1, 2, 5, 1024, 2049}) {
        TesVectorArray array;
        fill(array, n);
        array.reverse();
        std::vector<double> expected;
        for (int32_t i = n; i >= 1; --i) expected.push_back(i);
        EXPECT_EQ(xs(array), expected) << n;
    }

    TesVectorArray a;
    TesVectorArray b;
    fill(a, 3);
    b.add(9, 9, 9);
    a.swap(b);
    EXPECT_EQ(xs(a), (std::vector<double>{9}));
    EXPECT_EQ(xs(b), (std::vector<double>{1, 2, 3}));
    EXPECT_EQ(a.capacity(), 16);

    b.clearAndFree();
    EXPECT_EQ(b.count(), 0);
    EXPECT_EQ(b.capacity(), 0);
    EXPECT_EQ(b.storageBytes(), 0);
    EXPECT_EQ(b.at(1), TesVector()) << "nothing is left to read";
    EXPECT_EQ(b.add(4, 4, 4), 1);
}

TEST(TesVectorArray, TransformAppliesTheMatrixAndTheWRule) {
    struct Case {
        const char* name;
        std::vector<double> matrix;
        TesVector point, expected;
    };
    const std::vector<double> identity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    std::vector<double> halving = identity;
    halving[15] = 2;
    const std::vector<double> affine = {0, -1, 0, 10, 1, 0, 0, 20, 0, 0, 2, 30, 0, 0, 0, 1};
    const std::vector<double> projective = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 1, 0};
    const std::vector<double> nanW = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, kNaN};
    for (const Case& c : {
             Case{"identity", identity, {1.5, -2, 3}, {1.5, -2, 3}},
             Case{"m15 = 2", halving, {1.5, -2, 3}, {0.75, -1, 1.5}},
             Case{"affine", affine, {1, 2, 3}, {8, 21, 36}},
             Case{"w = z", projective, {2, 4, 4}, {0.5, 1, 1}},
         }) {
        TesVectorArray array;
        array.add(c.point);
        array.transform(c.matrix.data());
        EXPECT_EQ(array.at(1), c.expected) << c.name;
    }
    TesVectorArray array;
    array.add(1, 2, 3);
    array.transform(nanW.data());
    EXPECT_TRUE(std::isnan(array.at(1).x)) << "a NaN w is not 1, so it divides";
    array.transform(nullptr);
    EXPECT_EQ(array.count(), 1);
}

TEST(TesVectorArray, TransformCreatesMissingChunksAndStopsAtTheCount) {
    const std::vector<double> shift = {1, 0, 0, 5, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    TesVectorArray array;
    array.add(1, 1, 1);
    array.setCount(2100);
    array.set(2101, TesVector(7, 7, 7));
    array.transform(shift.data());
    EXPECT_EQ(chunks(array), 3);
    EXPECT_EQ(array.at(1), TesVector(6, 1, 1));
    for (int32_t i : {2, 1023, 1024, 2047, 2048, 2100}) EXPECT_EQ(array.at(i), TesVector(5, 0, 0)) << i;
    EXPECT_EQ(array.at(2101), TesVector(7, 7, 7)) << "beyond the count";
    EXPECT_EQ(array.at(0), TesVector()) << "element 0 is no point";
}

TEST(TesVectorArray, BoundingBoxCountsPointsOfMissingChunksAsTheOrigin) {
    TesVectorArray array;
    TesVector min;
    TesVector max;
    array.boundingBox(min, max);
    EXPECT_EQ(min, TesVector());
    EXPECT_EQ(max, TesVector());
    array.add(-3, 1, 2);
    array.boundingBox(min, max);
    EXPECT_EQ(min, TesVector(-3, 1, 2));
    EXPECT_EQ(max, TesVector(-3, 1, 2));
    array.setGrow(3000, TesVector(4, 5, 6));
    array.add(kNaN, kNaN, 8);
    array.boundingBox(min, max);
    EXPECT_EQ(min, TesVector(-3, 0, 0));
    EXPECT_EQ(max, TesVector(4, 5, 8)) << "NaN coordinates are passed over";
}

TEST(TesVectorArray, RecordBytesAreBigEndian) {
    TesVectorArray empty;
    EXPECT_EQ(written(empty), (std::vector<uint8_t>{0x0B, 0x91, 0x6B, 0x00, 0x00, 0x00, 0x00, 0x00}));

    TesVectorArray array;
    array.add(1.0, -2.0, 0.5);
    array.add(TesVector());
    const std::vector<uint8_t> expected = {
        0x0B, 0x91, 0x6B, 0x00, 0x00, 0x00, 0x00, 0x02,                          //
        0x3F, 0xF0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 1.0
        0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // -2.0
        0x3F, 0xE0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,                          // 0.5
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // the origin
    };
    EXPECT_EQ(written(array), expected);

    TesVectorArray sparse;
    sparse.setGrow(2050, TesVector(1, 2, 3));
    PointBytes sparseBytes;
    sparseBytes.header(2050);
    for (int32_t i = 1; i < 2050; ++i) sparseBytes.point(0, 0, 0);
    sparseBytes.point(1, 2, 3);
    EXPECT_EQ(written(sparse), sparseBytes.bytes()) << "missing chunks are written as the origin";
}

TEST(TesVectorArray, RecordReadsBackAcrossChunksAndInSmallPieces) {
    TesVectorArray original;
    for (int32_t i = 1; i <= 2500; ++i) original.add(i * 0.25, -i, i % 7 == 0 ? kNaN : 1e300);
    original.setGrow(4000, TesVector(-0.0, 1, 2));
    const std::vector<uint8_t> bytes = written(original);
    for (size_t piece : {size_t{1}, size_t{7}, size_t{24}, size_t{100000}}) {
        MemoryInput in(bytes, piece);
        TesVectorArray copy;
        copy.add(5, 5, 5);
        ASSERT_TRUE(copy.read(in)) << piece;
        EXPECT_EQ(in.tell(), static_cast<int64_t>(bytes.size()));
        EXPECT_EQ(copy.count(), 4000);
        EXPECT_EQ(copy.capacity(), 4001) << "the storage is grown to the count";
        EXPECT_EQ(written(copy), bytes) << piece << ": every bit comes back, NaN and -0 included";
    }
}

TEST(TesVectorArray, ReadRefusesOtherTagsAndVersionsLeavingTheArrayEmpty) {
    struct Case {
        const char* name;
        std::vector<uint8_t> bytes;
    };
    for (const Case& c : {Case{"version 1", PointBytes().header(1, 1).point(1, 2, 3)},
                          Case{"another tag", PointBytes().word(0x315E97D6).word(1).point(1, 2, 3)},
                          Case{"negative count", PointBytes().header(-1).point(1, 2, 3)},
                          Case{"no count", PointBytes().word(0x0B916B00)},
                          Case{"nothing", {}}}) {
        TesVectorArray array;
        fill(array, 3);
        MemoryInput in(c.bytes);
        EXPECT_FALSE(array.read(in)) << c.name;
        EXPECT_EQ(array.count(), 0) << c.name << ": read clears first";
    }
}

TEST(TesVectorArray, ShortRecordsFailKeepingThePointsRead) {
    struct Case {
        const char* name;
        int32_t claimed;
        size_t pointBytes;
        int32_t count;
        int64_t chunks;
    };
    for (const Case& c : {Case{"half a point", 3, 2 * 24 + 12, 2, 1}, Case{"no point", 3, 0, 0, 0},
                          Case{"a byte short of a chunk", 1023, 1023 * 24 - 1, 1022, 1},
                          Case{"the largest count", INT32_MAX, 2 * 24, 2, 1},
                          Case{"past the first chunk", 5000, 1030 * 24, 1030, 2}}) {
        PointBytes record;
        record.header(c.claimed);
        for (int32_t i = 1; i <= 1100; ++i) record.point(i, i, i);
        std::vector<uint8_t> bytes = record.bytes();
        bytes.resize(8 + c.pointBytes);
        TesVectorArray array;
        MemoryInput in(bytes);
        EXPECT_FALSE(array.read(in)) << c.name;
        EXPECT_EQ(array.count(), c.count) << c.name;
        EXPECT_EQ(chunks(array), c.chunks) << c.name << ": chunks only for points that arrived";
        if (c.count > 0) {
            EXPECT_EQ(array.at(c.count), TesVector(c.count, c.count, c.count)) << c.name;
        }
        EXPECT_EQ(array.at(c.count + 1), TesVector()) << c.name << ": no half point is left behind";
    }
}

TEST(TesVectorArray, BytesAfterTheRecordAreLeftForTheNextReader) {
    std::vector<uint8_t> bytes = PointBytes().header(1).point(1, 2, 3).word(0xDEADBEEF);
    MemoryInput in(bytes);
    TesVectorArray array;
    ASSERT_TRUE(array.read(in));
    EXPECT_EQ(in.tell(), 8 + 24);
    uint32_t next = 0;
    ASSERT_TRUE(in.read(&next, 1));
    EXPECT_EQ(next, 0xDEADBEEF);
}

TEST(TesVectorArray, WriteFailsWhenTheOutputDoes) {
    TesVectorArray array;
    fill(array, 3000);
    MemoryOutput out;
    out.failAfter = 2;
    EXPECT_FALSE(array.write(out));
    EXPECT_EQ(out.writes.size(), 3u) << "writing stops at the first failure";
}

TEST(TesVectorArray, MagicWordsAreTestedByTag) {
    struct Case {
        int32_t word;
        bool vectorArray;
    };
    for (const Case& c : {Case{0x0B916B00, true}, Case{0x0B916B01, true}, Case{0x0B916C00, false},
                          Case{0x315E97D6, false}, Case{-1, false}, Case{0, false}}) {
        EXPECT_EQ(TesVectorArray::isVectorArrayMagic(c.word), c.vectorArray) << std::hex << c.word;
    }
}

TEST(TesVectorArray, CopiesAndClonesOwnTheirStorage) {
    TesVectorArray original;
    fill(original, 1500);
    original.removeLast(100);
    TesVectorArray copy(original);
    EXPECT_EQ(copy.count(), 1400);
    EXPECT_EQ(copy.capacity(), original.capacity());
    EXPECT_EQ(copy.at(1500).x, 1500) << "the storage is copied beyond the count too";
    copy.set(1, TesVector(-1, -1, -1));
    EXPECT_EQ(original.at(1).x, 1);

    IPtr<IRealPArray> clone(original.clone());
    ASSERT_TRUE(clone);
    EXPECT_STREQ(clone->className(), "TesVectorArray");
    EXPECT_EQ(clone->count(), 1400);
    TesVector point;
    clone->get(1400, point);
    EXPECT_EQ(point.x, 1400);

    TesVectorArray assigned;
    fill(assigned, 5000);
    assigned = original;
    EXPECT_EQ(assigned.count(), 1400);
    EXPECT_TRUE(assigned == original);
    const TesVectorArray& itself = assigned;
    assigned = itself;
    EXPECT_EQ(assigned.count(), 1400);

    IPtr<TesVectorArray> empty(original.createEmpty());
    EXPECT_EQ(empty->count(), 0);
    EXPECT_EQ(empty->capacity(), 0);
}

}  // namespace
