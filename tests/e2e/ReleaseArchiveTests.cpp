// The release archive as a Windows user unpacks it and tries it with the simulated camera: the
// sample package laid out beside a copy of the updater in a folder of its own, as the archive's
// README says, and written into the camera.
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
#include "WorkFolder.h"
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

// The trial folder: the updater and its library from the archive, the sample as UPDATEFILES.
bool LayOutTrial(const std::wstring& unpacked, const WorkFolder& trial) {
    for (const wchar_t* name : {kUpdaterProgram, kUpdaterLibrary}) {
        if (!CopyFileW((unpacked + L"\\" + name).c_str(), (trial.Path() + L"\\" + name).c_str(),
                       TRUE)) {
            return false;
        }
    }
    const std::wstring sample = unpacked + L"\\sample\\UPDATEFILES\\";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((sample + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return false;
    }
    bool copied = true;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
            copied = copied && CopyFileW((sample + found.cFileName).c_str(),
                                         trial.PackagePath(found.cFileName).c_str(), TRUE);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return copied;
}

TEST(ReleaseArchive, TheSampleTriedInAFolderOfItsOwnUpdatesTheSimulatedCamera) {
    const std::wstring unpacked = UnpackedFolder();
    ASSERT_FALSE(unpacked.empty()) << "TAVIK_UNPACKED_ARCHIVE is not set";
    WorkFolder trial;
    ASSERT_TRUE(trial.Create(false)) << trial.problem();
    ASSERT_TRUE(LayOutTrial(unpacked, trial)) << "the archive lacks the updater or the sample";
    const std::wstring folder = trial.Path();
    const auto main = ReadFileBytes(trial.PackagePath(L"main.bin"));
    const auto logic = ReadFileBytes(trial.PackagePath(L"logic_0102.bin"));
    ASSERT_TRUE(main && logic) << "the sample's images are not in the archive";

    camsim::Control sim;
    ASSERT_TRUE(sim.ok() && sim.Reset());
    ASSERT_TRUE(sim.SetWriteTime(0));
    ASSERT_TRUE(sim.Attach());  // product 0x7012, the sample's ZP-Na7

    tavik::test::ChildProcess updater;
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
