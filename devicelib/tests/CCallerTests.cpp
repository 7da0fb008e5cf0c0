// The C callers (CCaller.c, plain and packed) run against the simulated camera: each links
// TAVIKUtilDll by name and must reach the camera with the bytes its records hold.
#include <windows.h>

#include <string>

#include "CameraTest.h"
#include "ChildProcess.h"
#include "LibraryState.h"
#include "ThisProgram.h"

namespace {

// Runs the program to its end; its exit code, or -1.
long RunToTheEnd(const std::wstring& program) {
    tavik::test::ChildProcess caller;
    if (!caller.Start(program, L"", L"") || !caller.WaitExit(60000)) {
        return -1;
    }
    const auto code = caller.ExitCode();
    return code ? static_cast<long>(*code) : -1;
}

using CCaller = CameraTest;

}  // namespace

TEST_F(CCaller, PlainAndPackedCallersReachTheCameraWithTheRightBytes) {
    for (const wchar_t* name : {L"devicelib_c_caller.exe", L"devicelib_c_caller_packed.exe"}) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(name)));
        ASSERT_TRUE(sim.Reset());
        ASSERT_TRUE(sim.Attach(&camera));
        ASSERT_EQ(0, RunToTheEnd(BesideThisProgram(name)));

        const auto control = Requests(kSetCtrlCurrent);
        ASSERT_EQ(3u, control.size()) << "0x3E = 0, the caller's value, 0x3E = 1";
        EXPECT_EQ((std::vector<uint8_t>{0x21, 0x31, 0x41, 0, 0xC1, 0xC2, 0xC3}), control[1].input);
        std::vector<uint8_t> image;
        ASSERT_TRUE(sim.ReadImage(7, &image));
        EXPECT_EQ((std::vector<uint8_t>{0xD0, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xD7}), image);
        const auto request = Requests(kSetRequest);
        ASSERT_EQ(1u, request.size());
        EXPECT_EQ((std::vector<uint8_t>{1, 2, 3, 4, 5, 6, 2, 0, 0xE0, 0xE1}), request[0].input);
    }
}
