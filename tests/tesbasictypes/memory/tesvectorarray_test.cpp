// TesVectorArray's chunks come from the host memory manager, 24576 bytes
// each and only where points are; the host also offers the progress display.
// Colour objects from the host are realparray_test.cpp's.
#include "tesvectorarray.h"

#include <gtest/gtest.h>

#include <vector>

#include "pointbytes.h"
#include "processhost.h"

namespace {

int64_t pagesInUse() { return processTestHost().memoryManager().pagesInUse(); }

TEST(TesVectorArrayHost, ChunksAreHostPagesOfExactly24576Bytes) {
    RefMemoryManager& manager = processTestHost().memoryManager();
    const int64_t pages = pagesInUse(), units = manager.coreNow();  // the manager counts in units of 24576 bytes
    {
        TesVectorArray array;
        for (const auto& [count, chunks] : {std::pair{1, 1}, {1023, 1}, {1024, 2}, {5000, 5}}) {
            while (array.count() < count) array.add(1, array.count(), 0);
            EXPECT_EQ(pagesInUse() - pages, chunks) << count;
            EXPECT_EQ(manager.coreNow() - units, chunks) << count << ": no page is rounded up";
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
    struct Row {
        int32_t claimed, present;
        int64_t chunks;
    };
    for (const Row& row : {Row{INT32_MAX, 2, 1}, Row{INT32_MAX, 0, 0}, Row{TesVectorArray::kMaxIndex, 5, 1},
                           Row{1 << 30, 2047, 2}}) {
        PointBytes record;
        record.header(row.claimed);
        for (int32_t i = 1; i <= row.present; ++i) record.point(i, -i, 0.5);
        const int64_t pages = pagesInUse();
        TesVectorArray array;
        MemoryInput in(record);
        EXPECT_FALSE(array.read(in)) << row.claimed;
        EXPECT_EQ(array.count(), row.present) << row.claimed;
        EXPECT_EQ(pagesInUse() - pages, row.chunks) << row.claimed;
        EXPECT_LT(array.storageBytes(), (row.chunks + 1) * TesVectorArray::kChunkBytes)
            << row.claimed << ": the chunk table grows with the points read, not with the claim";
    }
}

TEST(TesVectorArrayHost, ReadAndWriteReportProgressPerChunkAndStopWhenAsked) {
    RefProgress& progress = processTestHost().progress();
    TesVectorArray array;
    array.setGrow(3000, TesVector(1, 2, 3));
    progress.reset();
    const std::vector<uint8_t> bytes = recordBytes(array);
    EXPECT_EQ(progress.fractions(), (std::vector<float>{0.341f, 0.682f, 1.0f}));
    progress.stopAt(0.5f);
    TesVectorArray copy;
    MemoryInput in(bytes);
    EXPECT_FALSE(copy.read(in)) << "the display asked to stop";
    EXPECT_EQ(copy.count(), 2047) << "the points read so far stay";
    progress.stopAt(0.9f);
    MemoryOutput out;
    EXPECT_FALSE(array.write(out));
    progress.reset();
    copy.setActive(false);
    MemoryInput again(bytes);
    EXPECT_TRUE(copy.read(again));
    EXPECT_TRUE(progress.fractions().empty()) << "an inactive array reports nothing";
}

}  // namespace
