#include <gtest/gtest.h>

#include <cstring>

#include "arraybase.h"
#include "memoryhost.h"

namespace {

using TesMM::ArrayBase;

constexpr int32_t kIntSize = 4;
constexpr int32_t kPageLength = 8;
constexpr int32_t kPageKind = kPageLength * kIntSize;

int32_t* intPage(ArrayBase& array, int32_t index) { return static_cast<int32_t*>(array.ensurePage(index)); }

TEST(ArrayBase, ConstructionRecordsSizeAndMakesAtLeastOnePageEntry) {
    struct Case {
        int32_t size, pages;
    };
    for (const Case& c : {Case{0, 1}, Case{1, 1}, Case{8, 1}, Case{9, 2}, Case{17, 3}}) {
        ArrayBase array(c.size, kIntSize, kPageLength, kPageKind);
        EXPECT_EQ(array.size(), c.size);
        EXPECT_EQ(array.pageCount(), c.pages) << c.size;
        EXPECT_FALSE(array.allPagesAllocated());
    }
}

TEST(ArrayBase, PagesComeFromTheHostManagerAndGoBack) {
    RefMemoryManager& manager = memoryTestHost().memoryManager();
    const int64_t before = manager.pagesInUse();
    {
        ArrayBase array(20, kIntSize, kPageLength, kPageKind);
        EXPECT_TRUE(array.allocateAllPages(1));
        EXPECT_TRUE(array.allPagesAllocated());
        EXPECT_EQ(manager.pagesInUse(), before + 3);
        for (int32_t i = 0; i < kPageLength; ++i) EXPECT_EQ(intPage(array, 2)[i], 0);
    }
    EXPECT_EQ(manager.pagesInUse(), before);
}

TEST(ArrayBase, ResizeRoundsToPagesAndFreesTheCutOnes) {
    RefMemoryManager& manager = memoryTestHost().memoryManager();
    const int64_t before = manager.pagesInUse();
    ArrayBase array(24, kIntSize, kPageLength, kPageKind);
    array.allocateAllPages(1);
    array.resize(9, false);
    EXPECT_EQ(array.size(), 16);
    EXPECT_EQ(array.pageCount(), 2);
    EXPECT_EQ(manager.pagesInUse(), before + 2);
    array.resize(40, false);
    EXPECT_EQ(array.size(), 40);
    EXPECT_EQ(array.pageCount(), 5);
    EXPECT_EQ(array.page(4), nullptr);  // new entries start empty
    EXPECT_NE(array.page(1), nullptr);

    ArrayBase empty(0, kIntSize, kPageLength, kPageKind);
    empty.resize(17, false);
    EXPECT_EQ(empty.size(), 24);
    EXPECT_EQ(empty.pageCount(), 3);
}

TEST(ArrayBase, GrowthZeroesTheUnusedEndOfTheLastOldPage) {
    ArrayBase array(3, kIntSize, kPageLength, kPageKind);
    int32_t* page = intPage(array, 0);
    for (int32_t i = 0; i < kPageLength; ++i) page[i] = 100 + i;
    array.resize(5, true);  // grows by 2: elements 3 and 4 are zeroed, 5 to 7 kept
    EXPECT_EQ(page[2], 102);
    EXPECT_EQ(page[3], 0);
    EXPECT_EQ(page[4], 0);
    EXPECT_EQ(page[5], 105);
    EXPECT_EQ(array.size(), 8);

    ArrayBase wide(3, kIntSize, kPageLength, kPageKind);
    int32_t* widePage = intPage(wide, 0);
    for (int32_t i = 0; i < kPageLength; ++i) widePage[i] = 1;
    wide.resize(30, true);  // zeroed to the page end
    for (int32_t i = 3; i < kPageLength; ++i) EXPECT_EQ(widePage[i], 0) << i;

    ArrayBase kept(3, kIntSize, kPageLength, kPageKind);
    int32_t* keptPage = intPage(kept, 0);
    keptPage[5] = 9;
    kept.resize(30, false);
    EXPECT_EQ(keptPage[5], 9);
}

TEST(ArrayBase, CopyTakesPagesAndGapsOfTheOther) {
    ArrayBase source(24, kIntSize, kPageLength, kPageKind);
    intPage(source, 0)[1] = 11;
    intPage(source, 2)[7] = 27;
    ArrayBase target(8, kIntSize, kPageLength, kPageKind);
    intPage(target, 0)[0] = 5;
    ArrayBase gapped(24, kIntSize, kPageLength, kPageKind);
    intPage(gapped, 1)[0] = 1;

    target.copyFrom(source);
    EXPECT_EQ(target.size(), 24);
    ASSERT_NE(target.page(0), nullptr);
    EXPECT_EQ(static_cast<int32_t*>(target.page(0))[0], 0);
    EXPECT_EQ(static_cast<int32_t*>(target.page(0))[1], 11);
    EXPECT_EQ(target.page(1), nullptr);
    EXPECT_EQ(static_cast<int32_t*>(target.page(2))[7], 27);

    gapped.copyFrom(source);
    EXPECT_EQ(gapped.page(1), nullptr);  // freed where the source has no page
    EXPECT_NE(gapped.page(0), source.page(0));
}

TEST(ArrayBase, PageTableGrowsByOneThenByFortyPercent) {
    ArrayBase array(0, kIntSize, 1, kIntSize);
    const std::vector<std::pair<int32_t, int32_t>> capacities = {
        {1, 1}, {2, 2}, {3, 3}, {4, 4}, {5, 5}, {6, 7}, {8, 9}, {10, 12}, {13, 16}, {17, 22}, {100, 113}};
    for (const auto& [count, capacity] : capacities) {
        array.resize(count, false);
        EXPECT_EQ(array.pageCount(), count);
        EXPECT_EQ(array.pageCapacity(), capacity) << count;
    }
    for (int32_t i = 0; i < 100; ++i) EXPECT_EQ(array.page(i), nullptr) << i;
}

}  // namespace
