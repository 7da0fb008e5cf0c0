#include <gtest/gtest.h>

#include "CameraInfoOptions.h"

namespace {

bool Parse(std::vector<std::wstring> arguments, CameraInfoOptions* options,
           std::wstring* error = nullptr) {
    std::wstring ignored;
    return ParseCameraInfoArguments(arguments, options, error != nullptr ? error : &ignored);
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

    ASSERT_TRUE(Parse({L"--wait", L"86400"}, &options));
    EXPECT_EQ(options.waitSeconds, 86400u);
}

TEST(CameraInfoOptions, BadCommandLinesAreRefusedAndLeaveTheOptionsAlone) {
    const std::vector<std::vector<std::wstring>> bad = {
        {L"--wait"},
        {L"--wait", L""},
        {L"--wait", L"5s"},
        {L"--wait", L"-1"},
        {L"--wait", L"+5"},
        {L"--wait", L"86401"},
        {L"--wait", L"99999999999"},
        {L"--Watch"},
        {L"-json"},
        {L"extra"},
    };
    for (const auto& arguments : bad) {
        CameraInfoOptions options;
        options.waitSeconds = 77;
        std::wstring error;
        EXPECT_FALSE(Parse(arguments, &options, &error)) << arguments.size();
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(options.waitSeconds, 77u) << "untouched";
    }
}
