#include <gtest/gtest.h>

#include "processhost.h"

RefHost& processTestHost() {
    static RefHost* host = new RefHost;  // kept to process exit, like a real host
    return *host;
}

int main(int argc, char** argv) {
    processTestHost().installInLibrary();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
