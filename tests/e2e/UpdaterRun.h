// Fixture of the black-box runs: a fresh working folder, a reset simulated camera, the desktop
// log removed; the updater started in the folder and ended by force in the teardown if it
// still runs. Helpers assert with gtest, so callers wrap them in ASSERT_NO_FATAL_FAILURE.
// Every file derives a suite of its own from it, even with nothing to add: a suite is one CTest
// entry, and entries of about equal length share the prefix lanes evenly.
#pragma once

#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CamSimControl.h"
#include "ChildProcess.h"
#include "DesktopLog.h"
#include "ProgramProbe.h"
#include "JournalQueries.h"
#include "MessageBoxReadout.h"
#include "PackageText.h"
#include "ProcessWindows.h"
#include "ToolTipReadout.h"
#include "Wait.h"
#include "WindowReadout.h"
#include "WorkFolder.h"

#include "resource.h"

namespace e2e {

constexpr const wchar_t* kDialogCaption = L"TAVIK Update 1.0.0";
constexpr const wchar_t* kDefaultVersionLine = L"ZP-Na7:Ver=110.05-0003-12";

// Bounds for what Wine on a loaded machine may need; a passing case never waits for them.
constexpr DWORD kDialogMs = 20000;    // process start until the dialog shows
constexpr DWORD kIdentifyMs = 20000;  // dialog shown until the camera is identified
constexpr DWORD kBoxMs = 20000;       // a message box after what causes it
constexpr DWORD kExitMs = 10000;      // the program gone after its last step
constexpr DWORD kSilentMs = 1500;     // how long "nothing happens" is watched

bool EndsWith(const std::wstring& text, const std::wstring& end);

// `size` bytes that differ from image to image.
std::vector<uint8_t> ImageBytes(size_t size, uint8_t seed);

class UpdaterRun : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // --- Scenario -----------------------------------------------------------------------
    // TITLE "Camera Firmware Update", DEVNAME ZP-Na7, entry 1 "Main firmware" main.bin
    // (selector 1, TIMEOUT 5).
    static Package StandardPackage();
    void WritePackage(const Package& package);
    void WriteImage(const std::wstring& name, const std::vector<uint8_t>& bytes);
    // StandardPackage with an 8-byte main.bin.
    void WriteStandardPackage();
    void AttachCamera();

    // --- The running program ------------------------------------------------------------
    void Launch();  // only starts the process
    void Start();   // starts it and waits until its dialog shows
    HWND Item(int id) const;
    std::wstring TextOfItem(int id);
    std::vector<std::wstring> VersionList();
    std::optional<ProgressRange> Range();
    int Position();

    // Waits for the version line, then for the device check's handler to have returned.
    void WaitVersionLine();
    // Waits for the version line and "Update" enabled.
    void WaitIdentified();
    // Waits until the camera completed a request with `code`, then for the dialog's handler.
    void WaitRequest(uint32_t code);
    // Posts a marker behind whatever was posted to the dialog before and waits until its
    // thread has handled it (inside a message box's loop too): those messages have been
    // handled by then.
    void WaitPostedHandled();
    // A click on a button as its notification to the dialog, which the button's own enabled
    // state does not stop.
    bool PostClick(int id);
    // A visible message box with this caption, or null (and a failure) after kBoxMs.
    HWND WaitBox(const std::wstring& caption, DWORD timeoutMs = kBoxMs);
    MessageBoxView ReadBox(HWND box);
    std::vector<HWND> OtherWindows();  // visible top-level windows besides the dialog

    // StandardPackage with a 60 s time-out and a 400-byte image that takes `writeMs` (widened by
    // the time scale) to write, the camera attached, the program started and identified. The
    // widened time stays well inside the time-out, which the camera holds the write to.
    void PrepareLongWrite(DWORD writeMs);
    // PrepareLongWrite, then "Update" clicked and the write under way.
    void BeginLongWrite(DWORD writeMs);
    void ClickUpdateAndAwaitTheWrite();
    // After the click: a write has reached the camera and is the one request it has not
    // completed.
    bool WriteUnderWay();

    // Identified, "Update" clicked, and the result box with this caption shown.
    void UpdateUntilBox(const std::wstring& caption, HWND* box);
    void AnswerAndExpectExit(HWND box, int buttonId);

    // --- What it left -------------------------------------------------------------------
    bool LogPresent() const;
    ParsedLog ReadLog();  // fails the case when the log is absent or malformed
    std::vector<std::wstring> LogTexts();
    Journal ReadCameraJournal();
    // Control 0x3E written with 1 once, after every other request: the library was shut down.
    void ExpectConnectionReleasedLast();
    // The camera holds exactly one request it has not completed yet (a write, say).
    bool OneRequestOutstanding();

    camsim::Control sim;
    uint32_t camera = 0;
    WorkFolder folder;
    tavik::test::ChildProcess updater;  // after the folder: ended before the folder goes
    HWND dialog = nullptr;
    std::wstring logPath;
    WPARAM marker = 0;
};

}  // namespace e2e
