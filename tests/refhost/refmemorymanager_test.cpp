#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "iptr.h"
#include "infrastructure/refmemorymanager.h"

TEST(RefMemoryManager, PagesAreRecycledZeroFilledAndReleasedFromTheCache) {
    IPtr<RefMemoryManager> manager(new RefMemoryManager(10 * RefMemoryManager::kFigureUnit));
    EXPECT_EQ(manager->allocPage(0, 1), nullptr);
    EXPECT_FALSE(manager->releaseMemory()) << "nothing cached";
    auto* page = static_cast<unsigned char*>(manager->allocPage(24576, 1));
    ASSERT_NE(page, nullptr);
    std::memset(page, 0x5A, 24576);
    manager->freePage(page);
    manager->freePage(page);  // a second free is ignored
    EXPECT_EQ(manager->pagesInUse(), 0);
    EXPECT_EQ(manager->cachedPages(), 1);
    EXPECT_EQ(manager->allocPage(24576, 1), page);
    EXPECT_EQ(std::count(page, page + 24576, 0), 24576) << "zeroed again";
    manager->freePage(page);
    EXPECT_TRUE(manager->releaseMemory());
    EXPECT_EQ(manager->cachedPages(), 0);
}
