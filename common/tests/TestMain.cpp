// The main function of every test program.
#include <gtest/gtest.h>

#include <cstdio>

#include "TimeScale.h"

namespace {

// Each case's waits are held within its own budget (TimeScale.h).
class CaseClock : public testing::EmptyTestEventListener {
    void OnTestStart(const testing::TestInfo&) override { tavik::test::StartCaseClock(); }
};

}  // namespace

int main(int argc, char** argv) {
    // Unbuffered: a test program that CTest ends at its time-out still leaves every line it
    // printed, so the case that was running is known.
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    testing::InitGoogleTest(&argc, argv);
    testing::UnitTest::GetInstance()->listeners().Append(new CaseClock);  // gtest owns it
    return RUN_ALL_TESTS();
}
