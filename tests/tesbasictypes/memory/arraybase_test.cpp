#include "arraybase.h"

#include <gtest/gtest.h>

#include "processhost.h"

namespace {

using TesMM::ArrayBase;

// Pages of eight ints.
constexpr int32_t kPageLength = 8;

struct IntPages : ArrayBase {
    explicit IntPages(int32_t size, int32_t length = kPageLength) : ArrayBase(size, 4, length, length * 4) {}
    int32_t* at(int32_t page) { return static_cast<int32_t*>(ensurePage(page)); }
};

int64_t pagesInUse() { return processTestHost().memoryManager().pagesInUse(); }

TEST(ArrayBase, ConstructionMakesAtLeastOnePageEntryAndNoPage) {
    for (const auto& [size, pages] : {std::pair{0, 1}, {8, 1}, {9, 2}}) {
        IntPages array(size);
        EXPECT_EQ(array.size(), size);
        EXPECT_EQ(array.pageCount(), pages) << size;
        EXPECT_FALSE(array.allPagesAllocated());
    }
}

TEST(ArrayBase, PagesComeZeroedFromTheHostAndGoBackOnResizeAndDestruction) {
    const int64_t before = pagesInUse();
    {
        IntPages array(24);
        EXPECT_TRUE(array.allocateAllPages(1));
        EXPECT_EQ(pagesInUse(), before + 3);
        for (int32_t i = 0; i < kPageLength; ++i) EXPECT_EQ(array.at(2)[i], 0);
        array.resize(9, false);
        EXPECT_EQ(array.size(), 16) << "whole pages";
        EXPECT_EQ(pagesInUse(), before + 2);
        array.resize(40, false);
        EXPECT_EQ(array.pageCount(), 5);
        EXPECT_EQ(array.page(4), nullptr) << "new entries start empty";
    }
    EXPECT_EQ(pagesInUse(), before);
}

TEST(ArrayBase, GrowthZeroesTheUnusedEndOfTheLastOldPageOnlyWhenAsked) {
    struct Row {
        const char* name;
        int32_t newSize;
        bool zeroTail;
        int32_t firstKept;  // elements 3 ... firstKept - 1 are zeroed
    };
    for (const Row& row :
         {Row{"by two", 5, true, 5}, Row{"past the page", 30, true, 8}, Row{"not asked", 30, false, 3}}) {
        IntPages array(3);
        int32_t* page = array.at(0);
        for (int32_t i = 0; i < kPageLength; ++i) page[i] = 100 + i;
        array.resize(row.newSize, row.zeroTail);
        for (int32_t i = 0; i < kPageLength; ++i) {
            EXPECT_EQ(page[i], i >= 3 && i < row.firstKept ? 0 : 100 + i) << row.name << ", element " << i;
        }
    }
}

TEST(ArrayBase, CopyTakesPagesAndGapsOfTheOther) {
    IntPages source(24), target(8), gapped(24);
    source.at(0)[1] = 11;
    source.at(2)[7] = 27;
    target.at(0)[0] = 5;
    gapped.at(1)[0] = 1;
    target.copyFrom(source);
    EXPECT_EQ(target.size(), 24);
    EXPECT_EQ(target.at(0)[0], 0);
    EXPECT_EQ(target.at(0)[1], 11);
    EXPECT_EQ(target.page(1), nullptr);
    EXPECT_EQ(target.at(2)[7], 27);
    gapped.copyFrom(source);
    EXPECT_EQ(gapped.page(1), nullptr) << "freed where the source has no page";
    EXPECT_NE(gapped.page(0), source.page(0));
}

TEST(ArrayBase, PageTableGrowsByOneThenByFortyPercent) {
    IntPages array(0, 1);
    for (const auto& [count, capacity] : {std::pair{1, 1}, {5, 5}, {6, 7}, {8, 9}, {17, 22}, {100, 113}}) {
        array.resize(count, false);
        EXPECT_EQ(array.pageCount(), count);
        EXPECT_EQ(array.pageCapacity(), capacity) << count;
    }
}

}  // namespace
