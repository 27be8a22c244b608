// The allocation tests need the host's memory manager in place before the
// first allocation: the library looks it up once per process.
#include <gtest/gtest.h>

#include "memoryhost.h"

RefHost& memoryTestHost() {
    static RefHost* host = new RefHost;  // kept to process exit, like a real host
    return *host;
}

int main(int argc, char** argv) {
    memoryTestHost().installInLibrary();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
