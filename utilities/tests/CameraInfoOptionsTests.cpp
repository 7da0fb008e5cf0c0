#include <gtest/gtest.h>

#include "CameraInfoOptions.h"

namespace {

bool Parse(std::vector<std::wstring> arguments, CameraInfoOptions* options) {
    std::wstring error;
    const bool parsed = ParseCameraInfoArguments(arguments, options, &error);
    EXPECT_EQ(parsed, error.empty()) << "an error is said exactly when the line is refused";
    return parsed;
}

}  // namespace

TEST(CameraInfoOptions, DefaultsAndEachOption) {
    CameraInfoOptions options;
    ASSERT_TRUE(Parse({}, &options));
    EXPECT_EQ(options.waitSeconds, 10u);
    EXPECT_FALSE(options.watch);
    EXPECT_FALSE(options.json);

    ASSERT_TRUE(Parse({L"--json", L"--wait", L"0", L"--watch"}, &options));
    EXPECT_EQ(options.waitSeconds, 0u);
    EXPECT_TRUE(options.watch);
    EXPECT_TRUE(options.json);
}

TEST(CameraInfoOptions, BadCommandLinesAreRefusedAndLeaveTheOptionsAlone) {
    const std::vector<std::vector<std::wstring>> bad = {
        {L"--wait"}, {L"--wait", L"5s"}, {L"--Watch"}, {L"-json"}, {L"/camera"}, {L"extra"},
    };
    for (const auto& arguments : bad) {
        CameraInfoOptions options;
        options.waitSeconds = 77;
        EXPECT_FALSE(Parse(arguments, &options)) << arguments[0];
        EXPECT_EQ(options.waitSeconds, 77u) << "untouched";
    }
    CameraInfoOptions options;
    std::wstring error;
    EXPECT_FALSE(ParseCameraInfoArguments({L"/watch"}, &options, &error));
    EXPECT_NE(error.find(L"did you mean --watch?"), std::wstring::npos) << error;
}
