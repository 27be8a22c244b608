// The integer array's pages come from the host memory manager, and only for
// non-zero values.
#include "intarray.h"

#include <gtest/gtest.h>

#include "memoryhost.h"
#include "memorystreams.h"

namespace {

using TesMM::IntArray;

int64_t pagesInUse() { return memoryTestHost().memoryManager().pagesInUse(); }

TEST(PagedIntArray, ZerosAllocateNoPageAndPagesGoBackToTheHost) {
    const int64_t before = pagesInUse();
    {
        IntArray array(10000);
        EXPECT_TRUE(array.set(3000, 0));
        EXPECT_TRUE(array.set(20000, 0));
        EXPECT_EQ(pagesInUse(), before) << "zero writes, growth included, allocate nothing";
        EXPECT_EQ(array.get(3000), 0);
        array.set(3000, 4);
        array.set(3001, 5);
        array.set(9000, 6);
        EXPECT_EQ(pagesInUse(), before + 2);

        MemoryOutput out;
        ASSERT_TRUE(array.write(out));
        out.flush();
        IntArray back;
        MemoryInput in(out.bytes);
        ASSERT_TRUE(back.read(in));
        EXPECT_TRUE(back == array);
        EXPECT_EQ(pagesInUse(), before + 4) << "the copy read back has the same two pages";
    }
    EXPECT_EQ(pagesInUse(), before);
}

}  // namespace
