// BitVector with the host memory manager in place: from 4096 words (4097 on
// growth) the words live in pages that exist only where a word is not 0.
#include "bitvector.h"

#include <gtest/gtest.h>

#include <functional>

#include "bitsetproperty.h"
#include "processhost.h"

namespace {

// From `words` words holding bits 0 ... 100000 (cut to the vector), one operation: the
// last index, the storage kind, the pages taken or given back, and the bits left.
TEST(LargeBitVector, StorageIsPagedFrom4096WordsAndPagesHoldOnlyNonZeroWords) {
    struct Row {
        const char* name;
        int32_t words;
        std::function<void(BitVector&)> operation;
        int32_t lastIndex;
        bool large;
        int64_t pages;
        int32_t count;
    };
    const Row rows[] = {
        {"4095 words: one block", 4095, [](auto&) {}, 4095 * 32 - 1, false, 0, 100001},
        {"4096 words: paged", 4096, [](auto&) {}, 4096 * 32 - 1, true, 0, 100001},
        {"4096 needed words: a block of 6144", 1, [](auto& v) { v.set(131071); }, 6144 * 32 - 1, false, 0, 33},
        {"4097 needed words: the 8192 offered, paged", 1, [](auto& v) { v.set(131072); }, 8192 * 32 - 1, true, 2, 33},
        {"paged growth in whole pages", 6000, [](auto& v) { v.set(288000); }, 12288 * 32 - 1, true, 1, 100002},
        {"1536 needed words keep the whole page", 8000, [](auto& v) { v.resize(49151); }, 65535, true, -1, 65536},
        {"1535 needed words become one block", 8000, [](auto& v) { v.resize(49119); }, 49119, false, -2, 49120},
        {"clearing allocates no page", 8192, [](auto& v) { v.clearRange(131072, 262143); }, 262143, true, 0, 100001},
        {"a page cleared whole is freed", 8192, [](auto& v) { v.clearRange(65536, 131071); }, 262143, true, -1, 65536},
        {"setting all pages every word", 8192, [](auto& v) { v.setAll(); }, 262143, true, 2, 262143},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        BitVector vector((row.words - 1) * 32);
        vector.setRange(0, 100000);
        const int64_t before = processTestHost().memoryManager().pagesInUse();
        row.operation(vector);
        EXPECT_EQ(vector.lastIndex(), row.lastIndex);
        EXPECT_EQ(vector.isLarge(), row.large);
        EXPECT_EQ(processTestHost().memoryManager().pagesInUse(), before + row.pages);
        EXPECT_EQ(vector.count(), row.count);
    }
}

TEST(LargeBitVector, RandomOperationsMatchThePlainModel) {
    for (uint32_t seed : {4u, 5u}) {
        SCOPED_TRACE(seed);
        bitsetmodel::MixedProperty(seed, 400000).run(200);
        if (HasFatalFailure()) return;
    }
}

}  // namespace
