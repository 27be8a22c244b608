#include <gtest/gtest.h>

#include <cstring>

#include "iptr.h"
#include "refmemorymanager.h"

namespace {

TEST(RefMemoryManager, PagesAreRealZeroFilledAndRecycled) {
    IPtr<RefMemoryManager> manager(new RefMemoryManager(10 * RefMemoryManager::kFigureUnit));
    EXPECT_EQ(manager->allocPage(0, 1), nullptr);
    EXPECT_EQ(manager->allocPage(-5, 1), nullptr);
    auto* page = static_cast<unsigned char*>(manager->allocPage(24576, 1));
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 24576; ++i) ASSERT_EQ(page[i], 0);
    std::memset(page, 0x5A, 24576);
    EXPECT_EQ(manager->coreNow(), 1);
    EXPECT_EQ(manager->coreLimit(), 10);
    manager->freePage(page);
    manager->freePage(page);  // a second free is ignored
    manager->freePage(nullptr);
    EXPECT_EQ(manager->pagesInUse(), 0);
    EXPECT_EQ(manager->cachedPages(), 1);
    auto* again = static_cast<unsigned char*>(manager->allocPage(24576, 1));
    EXPECT_EQ(again, page);  // recycled, and zeroed again
    EXPECT_EQ(again[100], 0);
    manager->freePage(again);
}

TEST(RefMemoryManager, ReleaseGivesTheCacheBackUnlessScripted) {
    IPtr<RefMemoryManager> manager(new RefMemoryManager);
    EXPECT_FALSE(manager->releaseMemory());  // nothing cached
    manager->freePage(manager->allocPage(64, 0));
    EXPECT_TRUE(manager->releaseMemory());
    EXPECT_EQ(manager->cachedPages(), 0);
    manager->scriptReleases({true, false});
    EXPECT_TRUE(manager->releaseMemory());
    manager->freePage(manager->allocPage(64, 0));
    EXPECT_FALSE(manager->releaseMemory());  // scripted, though the cache held a page
    EXPECT_EQ(manager->cachedPages(), 0);
    EXPECT_FALSE(manager->releaseMemory());
    EXPECT_EQ(manager->releaseCalls(), 5);
}

}  // namespace
