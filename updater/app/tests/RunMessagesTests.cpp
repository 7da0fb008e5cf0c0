#include <gtest/gtest.h>

#include "CommandLineSwitch.h"
#include "RunMessages.h"

TEST(RunMessages, MismatchWarnsOrAsksByTheOverride) {
    const MessageBoxText warning = MismatchMessage(L"ZP-Mo7", false);
    EXPECT_EQ(warning.text, L"Not ZP-Mo7.");
    EXPECT_STREQ(warning.caption, L"Warning");
    EXPECT_EQ(warning.style, 0x30u);

    const MessageBoxText question = MismatchMessage(L"ZP-Mo7", true);
    EXPECT_EQ(question.text, L"Not ZP-Mo7.\r\nDoes it really update to ZP-Mo7?");
    EXPECT_STREQ(question.caption, L"Warning");
    EXPECT_EQ(question.style, 0x124u);  // Yes and No, No the default

    // The package's text is shown as it is, even when empty.
    EXPECT_EQ(MismatchMessage(L"", false).text, L"Not .");
}

TEST(RunMessages, ResultBoxes) {
    const MessageBoxText finished = FinishedMessage(L"ZP-Na7");
    EXPECT_EQ(finished.text, L"The upgrade ended.\r\nPlease reactivate the ZP-Na7.");
    EXPECT_STREQ(finished.caption, L"Finished");
    EXPECT_EQ(finished.style, 0x40u);

    const MessageBoxText failed = FailedMessage(31);
    EXPECT_EQ(failed.text, L"Failed!\r\nError=31");
    EXPECT_STREQ(failed.caption, L"Error");
    EXPECT_EQ(failed.style, 0x10u);
    EXPECT_EQ(FailedMessage(0).text, L"Failed!\r\nError=0");
    EXPECT_EQ(FailedMessage(-2147483647L - 1).text, L"Failed!\r\nError=-2147483648");
}

TEST(SimulationSwitch, FoundAnywhereCaseSensitiveOnlyWithArguments) {
    EXPECT_TRUE(HasSimulationSwitch(2, L"/Sim"));
    EXPECT_TRUE(HasSimulationSwitch(3, L"-x /Simulate"));
    EXPECT_TRUE(HasSimulationSwitch(2, L"\"a/Sim b\""));
    EXPECT_FALSE(HasSimulationSwitch(2, L"/sim"));
    EXPECT_FALSE(HasSimulationSwitch(2, L"/SIM"));
    EXPECT_FALSE(HasSimulationSwitch(2, L"/Si m"));
    // Without an argument the command line is not looked at, whatever it holds.
    EXPECT_FALSE(HasSimulationSwitch(1, L"/Sim"));
    EXPECT_FALSE(HasSimulationSwitch(0, L"/Sim"));
}
