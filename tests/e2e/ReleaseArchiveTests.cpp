// The release archive as a Windows user unpacks it: TAVIKUpdate run from the unpacked folder,
// with the sample package that ships in it, updates the simulated camera.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "CamSimControl.h"
#include "ChildProcess.h"
#include "DesktopLog.h"
#include "MessageBoxReadout.h"
#include "ProcessWindows.h"
#include "Wait.h"
#include "WindowReadout.h"
#include "resource.h"

namespace e2e {
namespace {

constexpr DWORD kStageMs = 30000;

// Where the archive check unpacked it (a Windows path, given by the test's environment).
std::wstring UnpackedFolder() {
    const wchar_t* folder = _wgetenv(L"TAVIK_UNPACKED_ARCHIVE");
    return folder != nullptr ? folder : L"";
}

std::vector<uint8_t> Padded(std::vector<uint8_t> bytes) {
    while (bytes.size() % 4 != 0) {
        bytes.push_back(0xFF);
    }
    return bytes;
}

TEST(ReleaseArchive, TheUnpackedUpdaterWritesTheSamplePackageIntoTheCamera) {
    const std::wstring folder = UnpackedFolder();
    ASSERT_FALSE(folder.empty()) << "TAVIK_UNPACKED_ARCHIVE is not set";
    const auto main = ReadFileBytes(folder + L"\\UPDATEFILES\\main.bin");
    const auto logic = ReadFileBytes(folder + L"\\UPDATEFILES\\logic_0102.bin");
    ASSERT_TRUE(main && logic) << "the sample images are not in the unpacked archive";

    camsim::Control sim;
    ASSERT_TRUE(sim.ok() && sim.Reset());
    ASSERT_TRUE(sim.SetWriteTime(0));
    ASSERT_TRUE(sim.Attach());  // product 0x7012, the sample's ZP-Na7

    ChildProcess updater;
    ASSERT_TRUE(updater.Start(folder + L"\\TAVIKUpdate.exe", L"", folder));
    HWND dialog = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            dialog = FindTopLevel(updater.id(), L"#32770", L"TAVIK Update 1.0.0");
            return dialog != nullptr && IsVisible(dialog);
        },
        kStageMs));
    HWND update = GetDlgItem(dialog, IDC_UPDATE);
    ASSERT_TRUE(WaitUntil([&] { return IsEnabled(update); }, kStageMs));
    ASSERT_TRUE(Click(update, Delivery::Posted));
    HWND box = nullptr;
    ASSERT_TRUE(WaitUntil(
        [&] {
            box = FindMessageBox(updater.id(), L"Finished", dialog);
            return box != nullptr;
        },
        kStageMs));
    ASSERT_TRUE(AnswerMessageBox(box, IDOK));
    ASSERT_TRUE(updater.WaitExit(kStageMs));

    std::vector<uint8_t> image;
    ASSERT_TRUE(sim.ReadImage(1, &image));
    EXPECT_EQ(image, Padded(*main));
    ASSERT_TRUE(sim.ReadImage(2, &image));
    EXPECT_EQ(image, Padded(*logic));
    EXPECT_FALSE(FileExists(DesktopLogPath())) << "a good run leaves no log";
    sim.Reset();
}

}  // namespace
}  // namespace e2e
