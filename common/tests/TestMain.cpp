// The main function of every test program.
#include <gtest/gtest.h>

#include <cstdio>

int main(int argc, char** argv) {
    // Unbuffered: a test program that CTest ends at its time-out still leaves every line it
    // printed, so the case that was running is known.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
