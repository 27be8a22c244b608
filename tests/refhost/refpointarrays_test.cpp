#include "refpointarrays.h"

#include <gtest/gtest.h>

#include <limits>

#include "iptr.h"
#include "tesvectorarray.h"

namespace {

TEST(RefPointExtraInfo, PacksEachChannelToTheNearest255th) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    struct Case {
        float r, g, b;
        uint32_t packed;
    };
    for (const Case& c : {Case{1, 0, 0, 0xFF0000}, Case{0, 1, 0, 0x00FF00}, Case{0, 0, 1, 0x0000FF},
                          Case{0.5f, 0.25f, 0.002f, 0x804001}, Case{-1, 2, nan, 0x00FF00},
                          Case{1.0f / 255, 254.5f / 255, 0.0019f, 0x01FF00}}) {
        const float rgb[3] = {c.r, c.g, c.b};
        EXPECT_EQ(RefPointExtraInfo::pack(rgb), c.packed) << c.r << " " << c.g << " " << c.b;
        float back[3];
        RefPointExtraInfo::unpack(c.packed | 0xAB000000, back);
        EXPECT_EQ(RefPointExtraInfo::pack(back), c.packed) << "unpacking ignores the top byte and packs back";
    }
}

TEST(RefPointExtraInfo, CountResizeAndClear) {
    IPtr<RefPointExtraInfo> colors(new RefPointExtraInfo);
    EXPECT_TRUE(colors->isEmpty());
    EXPECT_FALSE(colors->isActive());
    EXPECT_EQ(colors->packedStorage(), nullptr);
    EXPECT_FALSE(colors->setCount(-1));
    EXPECT_FALSE(colors->resize(-1));
    EXPECT_TRUE(colors->isEmpty()) << "refused counts change nothing";

    EXPECT_TRUE(colors->setCount(0));
    EXPECT_TRUE(colors->isActive()) << "a count, even 0, makes colours";
    EXPECT_FALSE(colors->isEmpty());
    ASSERT_TRUE(colors->setCount(3));
    const float white[3] = {1, 1, 1};
    const double blue[3] = {0, 0, 1};
    EXPECT_TRUE(colors->setColor(2, white));
    EXPECT_TRUE(colors->setColor(0, blue));
    EXPECT_FALSE(colors->setColor(3, white));
    EXPECT_FALSE(colors->setColor(-1, blue));
    EXPECT_EQ(colors->packedStorage()[2], 0xFFFFFFu);
    ASSERT_TRUE(colors->setCount(1));
    ASSERT_TRUE(colors->setCount(3));
    EXPECT_EQ(colors->packed(2), 0u) << "entries coming back into use are black";
    EXPECT_EQ(colors->packed(0), 0x0000FFu);
    EXPECT_EQ(colors->packed(3), 0u);
    double rgb[3] = {9, 9, 9};
    EXPECT_FALSE(colors->getColor(3, rgb));
    EXPECT_EQ(rgb[0], 9.0) << "nothing written for an entry outside";
    EXPECT_TRUE(colors->getColor(0, rgb));
    EXPECT_EQ(rgb[2], 1.0);
    ASSERT_TRUE(colors->resize(5));
    EXPECT_EQ(colors->count(), 5);
    EXPECT_EQ(colors->packed(0), 0x0000FFu);
    colors->clear();
    EXPECT_TRUE(colors->isEmpty());
    EXPECT_EQ(colors->count(), 0);
}

TEST(RefPointExtraInfo, CloneAssignAndEqualsOverACount) {
    IPtr<RefPointExtraInfo> colors(new RefPointExtraInfo);
    colors->resize(3);
    const float red[3] = {1, 0, 0};
    colors->setColor(1, red);
    IPtr<ITesPointExtraInfo> copy(colors->clone());
    EXPECT_TRUE(copy->isActive());
    EXPECT_EQ(copy->count(), 3);
    EXPECT_TRUE(copy->equals(*colors, 3));
    EXPECT_TRUE(copy->equals(*colors, 5)) << "entries beyond both count as 0";
    copy->setColor(2, red);
    EXPECT_FALSE(copy->equals(*colors, 3));
    EXPECT_TRUE(copy->equals(*colors, 2));

    IPtr<ITesPointExtraInfo> empty(colors->createEmpty());
    EXPECT_TRUE(empty->isEmpty());
    empty->assign(*copy);
    EXPECT_TRUE(empty->equals(*copy, 3));
    EXPECT_TRUE(empty->isActive());
    colors->clear();
    empty->assign(*colors);
    EXPECT_TRUE(empty->isEmpty()) << "assigning an empty object empties";
    empty->assign(*empty);
    EXPECT_STREQ(empty->className(), "RefPointExtraInfo");
}

TEST(RefRealPArrayFactory, MakesVectorArraysForTheirTagOnly) {
    IPtr<RefRealPArrayFactory> factory(new RefRealPArrayFactory);
    struct Case {
        int32_t word, chunkLength;
        bool made;
    };
    for (const Case& c : {Case{0x0B916B00, 1024, true}, Case{0x0B916B07, 1024, true}, Case{0x0B916B00, 512, false},
                          Case{0x315E97D6, 1024, false}, Case{-1, 1024, false}}) {
        IPtr<IRealPArray> array(factory->create(c.word, c.chunkLength));
        EXPECT_EQ(static_cast<bool>(array), c.made) << std::hex << c.word << " " << c.chunkLength;
        if (array) {
            EXPECT_STREQ(array->className(), "TesVectorArray");
            EXPECT_EQ(array->count(), 0);
        }
    }
}

}  // namespace
