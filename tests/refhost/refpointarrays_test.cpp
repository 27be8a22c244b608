#include "document/refpointarrays.h"

#include <gtest/gtest.h>

#include <limits>

#include "iptr.h"
#include "tesvectorarray.h"

namespace {

TEST(RefPointExtraInfo, PacksEachChannelToTheNearest255th) {
    struct Row {
        float r, g, b;
        uint32_t packed;
    };
    for (const Row& row : {Row{1, 0, 0, 0xFF0000}, Row{0, 0, 1, 0x0000FF}, Row{0.5f, 0.25f, 0.002f, 0x804001},
                           Row{-1, 2, std::numeric_limits<float>::quiet_NaN(), 0x00FF00},
                           Row{1.0f / 255, 254.5f / 255, 0.0019f, 0x01FF00}}) {
        const float rgb[3] = {row.r, row.g, row.b};
        EXPECT_EQ(RefPointExtraInfo::pack(rgb), row.packed) << row.r << " " << row.g << " " << row.b;
        float back[3];
        RefPointExtraInfo::unpack(row.packed | 0xAB000000, back);
        EXPECT_EQ(RefPointExtraInfo::pack(back), row.packed) << "unpacking ignores the top byte and packs back";
    }
}

TEST(RefPointExtraInfo, CountsRefuseNegativesAndReturningEntriesAreBlack) {
    IPtr<RefPointExtraInfo> colors(new RefPointExtraInfo);
    EXPECT_FALSE(colors->setCount(-1) || colors->resize(-1));
    EXPECT_TRUE(colors->isEmpty() && !colors->isActive()) << "refused counts change nothing";
    EXPECT_EQ(colors->packedStorage(), nullptr);
    EXPECT_TRUE(colors->setCount(0));
    EXPECT_TRUE(colors->isActive() && !colors->isEmpty()) << "a count, even 0, makes colours";
    ASSERT_TRUE(colors->setCount(3));
    const float white[3] = {1, 1, 1};
    const double blue[3] = {0, 0, 1};
    EXPECT_TRUE(colors->setColor(2, white) && colors->setColor(0, blue));
    EXPECT_FALSE(colors->setColor(3, white) || colors->setColor(-1, blue));
    EXPECT_EQ(colors->packedStorage()[2], 0xFFFFFFu);
    ASSERT_TRUE(colors->setCount(1) && colors->setCount(3));
    EXPECT_EQ(colors->packed(2), 0u) << "entries coming back into use are black";
    EXPECT_EQ(colors->packed(3), 0u) << "outside";
    double rgb[3] = {9, 9, 9};
    EXPECT_FALSE(colors->getColor(3, rgb));
    EXPECT_EQ(rgb[0], 9.0) << "nothing written for an entry outside";
    ASSERT_TRUE(colors->resize(5));
    EXPECT_EQ(colors->packed(0), 0x0000FFu) << "resize keeps the entries";
    colors->clear();
    EXPECT_TRUE(colors->isEmpty());
}

TEST(RefPointExtraInfo, CloneAssignAndEqualsOverACount) {
    IPtr<RefPointExtraInfo> colors(new RefPointExtraInfo);
    colors->resize(3);
    const float red[3] = {1, 0, 0};
    colors->setColor(1, red);
    IPtr<ITesPointExtraInfo> copy(colors->clone());
    EXPECT_TRUE(copy->isActive());
    EXPECT_TRUE(copy->equals(*colors, 5)) << "entries beyond both count as 0";
    copy->setColor(2, red);
    EXPECT_FALSE(copy->equals(*colors, 3));
    EXPECT_TRUE(copy->equals(*colors, 2));
    IPtr<ITesPointExtraInfo> empty(colors->createEmpty());
    empty->assign(*copy);
    EXPECT_TRUE(empty->isActive() && empty->equals(*copy, 3));
    colors->clear();
    empty->assign(*colors);
    EXPECT_TRUE(empty->isEmpty()) << "assigning an empty object empties";
}

TEST(RefRealPArrayFactory, MakesVectorArraysForTheirTagOnly) {
    IPtr<RefRealPArrayFactory> factory(new RefRealPArrayFactory);
    struct Row {
        int32_t word, chunkLength;
        bool made;
    };
    for (const Row& row : {Row{0x0B916B00, 1024, true}, Row{0x0B916B07, 1024, true}, Row{0x0B916B00, 512, false},
                           Row{0x315E97D6, 1024, false}, Row{-1, 1024, false}}) {
        IPtr<IRealPArray> array(factory->create(row.word, row.chunkLength));
        EXPECT_STREQ(array ? array->className() : "none", row.made ? "TesVectorArray" : "none")
            << std::hex << row.word << " " << row.chunkLength;
    }
}

}  // namespace
