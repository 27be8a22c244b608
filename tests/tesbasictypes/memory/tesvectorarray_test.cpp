// TesVectorArray's chunks come from the host memory manager, 24576 bytes
// each and only where points are; the host also offers the array factory,
// the colour objects and the progress display.
#include "tesvectorarray.h"

#include <gtest/gtest.h>

#include <vector>

#include "memoryhost.h"
#include "memorystreams.h"
#include "pointbytes.h"

namespace {

int64_t pagesInUse() { return memoryTestHost().memoryManager().pagesInUse(); }
// The manager counts in units of 24576 bytes: a chunk is exactly one.
int64_t unitsInUse() { return memoryTestHost().memoryManager().coreNow(); }

std::vector<uint8_t> written(const TesVectorArray& array) {
    MemoryOutput out;
    EXPECT_TRUE(array.write(out));
    out.flush();
    return out.bytes;
}

TEST(TesVectorArrayHost, ChunksAreHostPagesOfExactly24576Bytes) {
    const int64_t pages = pagesInUse();
    const int64_t units = unitsInUse();
    {
        TesVectorArray array;
        struct Case {
            int32_t count;
            int64_t chunks;
        };
        for (const Case& c : {Case{1, 1}, Case{1023, 1}, Case{1024, 2}, Case{1025, 2}, Case{5000, 5}}) {
            while (array.count() < c.count) array.add(1, array.count(), 0);
            EXPECT_EQ(pagesInUse() - pages, c.chunks) << c.count;
            EXPECT_EQ(unitsInUse() - units, c.chunks) << c.count << ": no page is rounded up";
        }
        array.set(200000, TesVector());
        EXPECT_EQ(pagesInUse() - pages, 5) << "the origin in a missing chunk takes no page";
        array.clearAndFree();
        EXPECT_EQ(pagesInUse(), pages);
        array.setCount(3000);
        const double shift[16] = {1, 0, 0, 1, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
        array.transform(shift);
        EXPECT_EQ(pagesInUse() - pages, 3) << "transform creates the chunks up to the count";
    }
    EXPECT_EQ(pagesInUse(), pages) << "destruction gives every chunk back";
}

TEST(TesVectorArrayHost, HugeClaimedCountsTakeChunksOnlyForPointsThatArrive) {
    struct Case {
        int32_t claimed, present;
        int64_t chunks;
    };
    for (const Case& c : {Case{INT32_MAX, 2, 1}, Case{INT32_MAX, 0, 0}, Case{INT32_MAX - 1, 1030, 2},
                          Case{TesVectorArray::kMaxIndex, 5, 1}, Case{1 << 30, 2047, 2}}) {
        PointBytes record;
        record.header(c.claimed);
        for (int32_t i = 1; i <= c.present; ++i) record.point(i, -i, 0.5);
        const int64_t pages = pagesInUse();
        TesVectorArray array;
        MemoryInput in(record);
        EXPECT_FALSE(array.read(in)) << c.claimed;
        EXPECT_EQ(array.count(), c.present) << c.claimed;
        EXPECT_EQ(pagesInUse() - pages, c.chunks) << c.claimed;
        EXPECT_LT(array.storageBytes(), (c.chunks + 1) * TesVectorArray::kChunkBytes)
            << c.claimed << ": the chunk table grows with the points read, not with the claim";
    }
}

TEST(TesVectorArrayHost, ReadAndWriteReportProgressAndStopWhenAsked) {
    RefProgress& progress = memoryTestHost().progress();
    TesVectorArray array;
    for (int32_t i = 1; i <= 3000; ++i) array.add(i, i, i);
    progress.reset();
    const std::vector<uint8_t> bytes = written(array);
    EXPECT_EQ(progress.fractions(), (std::vector<float>{0.341f, 0.682f, 1.0f})) << "once per chunk";

    progress.reset();
    progress.stopAt(0.5f);
    TesVectorArray copy;
    MemoryInput in(bytes);
    EXPECT_FALSE(copy.read(in)) << "the display asked to stop";
    EXPECT_EQ(copy.count(), 2047) << "the points read so far stay";
    progress.reset();
    progress.stopAt(0.9f);
    MemoryOutput out;
    EXPECT_FALSE(array.write(out));
    progress.reset();

    copy.setActive(false);
    MemoryInput again(bytes);
    EXPECT_TRUE(copy.read(again));
    EXPECT_TRUE(progress.fractions().empty()) << "an inactive array reports nothing";
}

TEST(TesVectorArrayHost, FactoryAndColourObjectsComeFromTheHost) {
    const std::vector<uint8_t> record = PointBytes().header(2).point(1, 2, 3).point(4, 5, 6).word(1).word(2)
                                            .single(1).single(1).single(1).single(0).single(0).single(1);
    MemoryInput in(record);
    IPtr<IRealPArray> made(createArray(in));
    ASSERT_TRUE(made);
    ASSERT_TRUE(made->read(in));
    auto* array = tesQuery<TesVectorArray>(made.get(), "TesVectorArray");
    ASSERT_NE(array, nullptr);
    ASSERT_TRUE(array->readColors(in));
    ASSERT_TRUE(array->hasColors());
    EXPECT_STREQ(static_cast<ITesUnknown*>(array->colors())->className(), "RefPointExtraInfo");
    EXPECT_NE(array->colors(), &memoryTestHost().pointColors()) << "a new object, not the offered one";
    EXPECT_EQ(array->colorRGBA(2), (std::array<float, 4>{0, 0, 1, 1}));
    EXPECT_FALSE(memoryTestHost().pointColors().isActive());

    TesVectorArray plain;
    plain.add(1, 1, 1);
    EXPECT_TRUE(plain.enableColors(true));
    EXPECT_EQ(plain.colors()->count(), 1);
}

}  // namespace
