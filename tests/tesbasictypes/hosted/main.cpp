// Tests of the parts that reach host services which the library looks up once
// per process (memory manager, memory checker, named folders, renderer): the
// host is in place before anything runs. A death test that needs a lookup to
// start afresh runs in the "threadsafe" style, a new copy of this program.
#include <gtest/gtest.h>

#include "hostedhost.h"

RefHost& hostedTestHost() {
    static RefHost* host = new RefHost;  // kept to process exit, like a real host
    return *host;
}

int main(int argc, char** argv) {
    hostedTestHost().installInLibrary();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
