// The integer array's pages come from the host memory manager, and only for
// non-zero values.
#include "intarray.h"

#include <gtest/gtest.h>

#include "processhost.h"

namespace {

int64_t pagesInUse() { return processTestHost().memoryManager().pagesInUse(); }

TEST(PagedIntArray, ZerosAllocateNoPageAndPagesGoBackToTheHost) {
    const int64_t before = pagesInUse();
    {
        TesMM::IntArray array(10000);
        EXPECT_TRUE(array.set(3000, 0) && array.set(20000, 0));
        EXPECT_EQ(pagesInUse(), before) << "zero writes, growth included, allocate nothing";
        EXPECT_TRUE(array.set(3000, 1) && array.set(3001, 2) && array.set(9000, 3));
        EXPECT_EQ(pagesInUse(), before + 2);
    }
    EXPECT_EQ(pagesInUse(), before);
}

}  // namespace
