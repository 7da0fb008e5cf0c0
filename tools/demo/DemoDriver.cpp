// Drives TAVIKUpdate through a whole update against the simulated camera, the way an operator
// would, and has a picture of the screen taken at each stage: waiting for the camera, the camera
// identified, an image being written, the "Finished" message. Run by tools/demo.sh inside
// Wine's virtual desktop, in a working folder that holds the updater and the sample package.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "CamSimControl.h"
#include "ChildProcess.h"
#include "MessageBoxReadout.h"
#include "ProcessWindows.h"
#include "Wait.h"
#include "WindowReadout.h"
#include "resource.h"

namespace {

constexpr DWORD kStageMs = 60000;       // the longest any stage may take
constexpr int kTicksBeforePicture = 8;  // progress ticks before the "updating" picture

void Say(const std::wstring& text) {
    std::fwprintf(stdout, L"demo: %ls\n", text.c_str());
    std::fflush(stdout);
}

int Fail(const std::wstring& text) {
    std::fwprintf(stderr, L"demo: %ls\n", text.c_str());
    return 1;
}

// Asks tools/demo.sh for a picture of the virtual desktop and waits until the X server's image
// has been grabbed (the PNG is made from it afterwards): the picture comes from the X server,
// which shows exactly what the operator would see.
bool Picture(const std::wstring& folder, const std::wstring& name) {
    const std::wstring wanted = folder + L"\\" + name + L".wanted";
    const std::wstring grabbed = folder + L"\\" + name + L".grabbed";
    DeleteFileW(grabbed.c_str());
    UniqueHandle marker(CreateFileW(wanted.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!marker) {
        return false;
    }
    marker.reset();
    return e2e::WaitUntil(
        [&] { return GetFileAttributesW(grabbed.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000,
        5);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring pictures = argc > 1 ? argv[1] : L"pictures";
    camsim::Control sim;
    if (!sim.ok() || !sim.Reset()) {
        return Fail(L"the simulated camera's driver is not running");
    }

    // The copy in this working folder, with this folder as its own: it reads .\UPDATEFILES.
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    tavik::test::ChildProcess updater;
    if (!updater.Start(std::wstring(folder) + L"\\TAVIKUpdate.exe", L"", folder)) {
        return Fail(L"TAVIKUpdate.exe could not be started");
    }
    HWND dialog = nullptr;
    if (!e2e::WaitUntil(
            [&] {
                dialog = e2e::FindTopLevel(updater.id(), L"#32770", L"TAVIK Update 1.0.0");
                return dialog != nullptr && e2e::IsVisible(dialog);
            },
            kStageMs)) {
        return Fail(L"the dialog did not show");
    }
    const auto item = [&](int id) { return GetDlgItem(dialog, id); };

    Say(L"waiting for the camera");
    e2e::RoundTrip(dialog);
    Picture(pictures, L"1-waiting");

    // The demo's camera: attached a second from now, slow enough to watch.
    if (!sim.ApplyDefaultScenario()) {
        return Fail(L"the camera's scenario could not be set");
    }
    if (!e2e::WaitUntil([&] { return e2e::IsEnabled(item(IDC_UPDATE)); }, kStageMs)) {
        return Fail(L"the camera was not identified");
    }
    const auto lines = e2e::ListLines(item(IDC_VERSION_LIST));
    Say(L"camera identified: " + (lines && !lines->empty() ? lines->front() : L"?"));
    e2e::RoundTrip(dialog);
    Picture(pictures, L"2-identified");

    // Pictured a few ticks in, while the blinking label shows: a picture that came too late
    // for its tick (the label blinked off meanwhile) is taken again at a later one.
    e2e::Click(item(IDC_UPDATE), e2e::Delivery::Posted);
    Say(L"updating");
    const auto position = [&] { return e2e::ProgressPosition(item(IDC_PROGRESS)).value_or(-1); };
    bool pictured = false;
    for (int attempt = 0, tick = kTicksBeforePicture; attempt < 20 && !pictured; ++attempt) {
        if (!e2e::WaitUntil([&] { return position() >= tick && e2e::IsVisible(item(IDC_FILE1)); },
                            kStageMs)) {
            return Fail(L"the update did not go on");
        }
        tick = position();
        pictured = Picture(pictures, L"3-updating") && position() == tick &&
                   e2e::IsVisible(item(IDC_FILE1));
        tick += 1;
    }
    if (!pictured) {
        Say(L"the running entry's label could not be caught showing; the picture may show it hidden");
    }

    HWND box = nullptr;
    if (!e2e::WaitUntil(
            [&] {
                box = e2e::FindMessageBox(updater.id(), L"Finished", dialog);
                return box != nullptr;
            },
            kStageMs * 2)) {
        return Fail(L"the update did not finish");
    }
    const auto view = e2e::ReadMessageBox(box);
    Say(L"finished: " + (view ? view->text : L"?"));
    Picture(pictures, L"4-finished");

    e2e::AnswerMessageBox(box, IDOK);
    if (!updater.WaitExit(kStageMs)) {
        return Fail(L"the updater did not end");
    }
    Say(L"the updater ended");
    return 0;
}
