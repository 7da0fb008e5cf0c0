#include <gtest/gtest.h>

#include <vector>

#include "DialogInputRule.h"

namespace {

constexpr DialogStage kStages[] = {DialogStage::Waiting, DialogStage::Checking,
                                   DialogStage::Identified, DialogStage::Updating,
                                   DialogStage::Ending};

// Whether `input` counts in each stage, with its source as given.
std::vector<bool> CountsPerStage(DialogInput input, bool buttonEnabled, bool postedBySource) {
    std::vector<bool> counts;
    for (DialogStage stage : kStages) {
        counts.push_back(InputCounts(stage, input, buttonEnabled, postedBySource));
    }
    return counts;
}

}  // namespace

// Columns: Waiting, Checking, Identified, Updating, Ending.

TEST(DialogInputRule, UpdateCountsOnlyWhenEnabledAfterTheCheck) {
    EXPECT_EQ(CountsPerStage(DialogInput::UpdateClick, true, false),
              (std::vector<bool>{false, false, true, false, false}));
    // A click posted to a disabled button: during a write it would start a second worker.
    EXPECT_EQ(CountsPerStage(DialogInput::UpdateClick, false, false), std::vector<bool>(5, false));
}

TEST(DialogInputRule, ExitCountsOnlyWhenEnabledAndNoRunOrBoxIsUnderWay) {
    EXPECT_EQ(CountsPerStage(DialogInput::ExitClick, true, false),
              (std::vector<bool>{true, false, true, false, false}));
    EXPECT_EQ(CountsPerStage(DialogInput::ExitClick, false, true), std::vector<bool>(5, false));
}

TEST(DialogInputRule, TheCamerasReportCountsOnceWhileWaiting) {
    EXPECT_EQ(CountsPerStage(DialogInput::DeviceFound, false, true),
              (std::vector<bool>{true, false, false, false, false}));
    // Posted before the library reported anything: the real report must still count.
    EXPECT_EQ(CountsPerStage(DialogInput::DeviceFound, true, false), std::vector<bool>(5, false));
}

TEST(DialogInputRule, AResultCountsOnlyFromThisRunsWorkerWhileItRuns) {
    for (DialogInput result : {DialogInput::UpdateSucceeded, DialogInput::UpdateFailed}) {
        EXPECT_EQ(CountsPerStage(result, false, true),
                  (std::vector<bool>{false, false, false, true, false}));
        // Posted by someone else: before any update, during the write, or a second time.
        EXPECT_EQ(CountsPerStage(result, true, false), std::vector<bool>(5, false));
    }
}
