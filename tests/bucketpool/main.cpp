#include <gtest/gtest.h>

// Every test here runs its scenario in a re-executed child process, so both
// copies of the library start with no pool, whatever earlier tests did.
int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    return RUN_ALL_TESTS();
}
