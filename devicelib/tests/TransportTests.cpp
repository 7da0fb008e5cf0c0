// The transport against the simulated camera: enumeration, open, one request carried to the end,
// and what happens when the system calls under it fail.
#include <windows.h>
#include <setupapi.h>

#include "CameraTest.h"
#include "ImportPatch.h"

namespace {

const wchar_t kNoDevInfo[] = L"No HDEVINFO available for this GUID\n";
const wchar_t kRefused[] = L"Failed to open device!(00000005)\r\n";

HANDLE WINAPI FailingCreateEventW(LPSECURITY_ATTRIBUTES, BOOL, BOOL, LPCWSTR) {
    SetLastError(ERROR_NO_SYSTEM_RESOURCES);
    return nullptr;
}

HDEVINFO WINAPI FailingGetClassDevsW(const GUID*, PCWSTR, HWND, DWORD) {
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return INVALID_HANDLE_VALUE;
}

using Transport = CameraTest;

}  // namespace

TEST_F(Transport, NoCameraCountsZeroAndOpensNothing) {
    EXPECT_EQ(0, CountDeviceInterfaces());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenDeviceInterface());
    const auto out = diagnostics.Lines(diag::Stream::StandardOutput);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(L"No SP_INTERFACE_DEVICE_DATA available for this GUID instance\n", out[0]);
}

TEST_F(Transport, TwoCamerasCountTwoAndTheFirstEnumeratedIsOpened) {
    uint32_t second = 0;
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.Attach(&second));
    EXPECT_EQ(2, CountDeviceInterfaces());

    UniqueHandle device(OpenDeviceInterface());
    ASSERT_TRUE(device);
    const auto out = diagnostics.Lines(diag::Stream::StandardOutput);
    ASSERT_EQ(1u, out.size());
    EXPECT_EQ(0u, out[0].find(L"Symbolic link is \\\\?\\")) << out[0].c_str();

    // Which camera is first is SetupAPI's choice: open its path directly and compare.
    const std::wstring path = out[0].substr(17, out[0].size() - 18);
    UniqueHandle direct(CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OVERLAPPED, nullptr));
    ASSERT_TRUE(direct);
    VersionRecord version;
    ASSERT_TRUE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                  sizeof(version), nullptr));
    ASSERT_TRUE(SendDeviceRequest(direct.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                  sizeof(version), nullptr));
    const auto journal = Journal();
    ASSERT_EQ(2u, journal.size());
    EXPECT_EQ(journal[1].camera, journal[0].camera);
}

TEST_F(Transport, RefusedOpenWritesTheErrorCodeLine) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.RefuseOpen(camera, true));
    EXPECT_EQ(1, CountDeviceInterfaces()) << "still listed";
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenDeviceInterface());
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kRefused));
}

TEST_F(Transport, ImmediateAndPendingCompletionsDeliverTheSameBytes) {
    ASSERT_TRUE(sim.Attach(&camera));
    ASSERT_TRUE(sim.SetProductCode(0x7013));
    UniqueHandle device(OpenDeviceInterface());
    ASSERT_TRUE(device);
    for (camsim::Completion mode : {camsim::Completion::Immediate, camsim::Completion::Pending}) {
        ASSERT_TRUE(sim.SetCompletion(mode));
        ASSERT_TRUE(sim.SetCompletionDelay(mode == camsim::Completion::Pending ? 100 : 0));
        uint8_t block[14] = {};
        DWORD returned = 0;
        const uint8_t control = 61;
        ASSERT_TRUE(SendDeviceRequest(device.get(), RequestCode(kGetCtrlCurrent), &control, 1,
                                      block, sizeof(block), &returned));
        EXPECT_EQ(14u, returned);
        EXPECT_EQ(0x05, block[4]);
        EXPECT_EQ(0x01, block[13]);
        VersionRecord version = {};
        ASSERT_TRUE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                      sizeof(version), &returned));
        EXPECT_EQ(8u, returned);
        EXPECT_EQ(0x7013, version.productCode);
    }
}

TEST_F(Transport, FailuresLeaveTheSystemErrorForTheCaller) {
    ASSERT_TRUE(sim.Attach(&camera));
    UniqueHandle device(OpenDeviceInterface());
    ASSERT_TRUE(device);
    for (camsim::Completion mode : {camsim::Completion::Immediate, camsim::Completion::Pending}) {
        ASSERT_TRUE(sim.SetCompletion(mode));
        VersionRecord version;
        ASSERT_TRUE(sim.SetFault(kGetVersion, 9, static_cast<int32_t>(0xC0070005), 1));
        SetLastError(0);
        EXPECT_FALSE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                       sizeof(version), nullptr));
        EXPECT_EQ(5u, GetLastError());
        ASSERT_TRUE(sim.SetFault(kGetVersion, 9, static_cast<int32_t>(0xC0070000), 1));
        SetLastError(1234);
        EXPECT_FALSE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                       sizeof(version), nullptr));
        EXPECT_EQ(0u, GetLastError());
        // A size the driver does not accept.
        EXPECT_FALSE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                       4, nullptr));
        EXPECT_NE(0u, GetLastError());
    }
}

TEST_F(Transport, WithoutACompletionEventNoRequestIsMade) {
    ASSERT_TRUE(sim.Attach(&camera));
    UniqueHandle device(OpenDeviceInterface());
    ASSERT_TRUE(device);
    {
        ImportPatch patch("kernel32.dll", "CreateEventW",
                          reinterpret_cast<const void*>(&FailingCreateEventW));
        ASSERT_TRUE(patch.ok());
        VersionRecord version;
        DWORD returned = 0xABAB;
        SetLastError(0);
        EXPECT_FALSE(SendDeviceRequest(device.get(), RequestCode(kGetVersion), nullptr, 0, &version,
                                       sizeof(version), &returned));
        EXPECT_EQ(static_cast<DWORD>(ERROR_NO_SYSTEM_RESOURCES), GetLastError());
    }
    EXPECT_TRUE(Journal().empty());
}

TEST_F(Transport, ClassSetUnavailableIsNoCameraOnEitherStream) {
    ASSERT_TRUE(sim.Attach(&camera));
    ImportPatch patch("setupapi.dll", "SetupDiGetClassDevsW",
                      reinterpret_cast<const void*>(&FailingGetClassDevsW));
    ASSERT_TRUE(patch.ok());
    EXPECT_EQ(0, CountDeviceInterfaces());
    EXPECT_EQ(INVALID_HANDLE_VALUE, OpenDeviceInterface());
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::Debugger, kNoDevInfo)) << "while counting";
    EXPECT_EQ(1u, diagnostics.Count(diag::Stream::StandardOutput, kNoDevInfo)) << "while opening";
}
