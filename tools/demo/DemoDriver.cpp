// Drives TAVIKUpdate through a whole update against the simulated camera, the way an operator
// would, and has a picture of the screen taken at each stage: waiting for the camera, the camera
// identified, an image being written, the "Finished" message. Run by tools/demo.sh inside
// Wine's virtual desktop, in a working folder that holds the updater and the sample package.
//
//     TAVIKDemoDriver PICTURES_FOLDER [--first-picture NAME]
//
// With --first-picture it takes only the first picture, under NAME, and ends the updater with
// "Exit": the demo runs it once at another DPI.
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
constexpr DWORD kSettleMs = 200;        // for a thread that has just painted to go idle

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
        [&] { return GetFileAttributesW(grabbed.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000, 5);
}

// Paints `window` and its children now and lets their thread go idle: Wine hands what a thread
// painted to the X server when it next waits for messages, and under a slow (emulated) CPU a
// picture taken at once would show the window before its paint, or black.
void Settle(HWND window) {
    RedrawWindow(window, nullptr, nullptr,
                 RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    e2e::RoundTrip(window);
    Sleep(kSettleMs);  // nothing announces that the thread has gone idle since
}

// Holds the thread of a window of the updater still, so that what it shows cannot change
// between the check and the picture: a grab takes longer than the label's blink on a slow host.
class Frozen {
public:
    explicit Frozen(HWND window) {
        const DWORD threadId = GetWindowThreadProcessId(window, nullptr);
        thread_.reset(OpenThread(THREAD_SUSPEND_RESUME, FALSE, threadId));
        suspended_ = thread_ && SuspendThread(thread_.get()) != static_cast<DWORD>(-1);
    }
    ~Frozen() {
        if (suspended_) {
            ResumeThread(thread_.get());
        }
    }
    Frozen(const Frozen&) = delete;
    Frozen& operator=(const Frozen&) = delete;
    bool ok() const { return suspended_; }

private:
    UniqueHandle thread_;
    bool suspended_ = false;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring pictures = argc > 1 ? argv[1] : L"pictures";
    const bool firstOnly = argc > 3 && std::wstring(argv[2]) == L"--first-picture";
    const std::wstring firstPicture = firstOnly ? argv[3] : L"1-waiting";
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
    Settle(dialog);
    Picture(pictures, firstPicture);
    if (firstOnly) {
        e2e::Click(item(IDC_EXIT), e2e::Delivery::Posted);
        if (!updater.WaitExit(kStageMs)) {
            return Fail(L"the updater did not end on \"Exit\"");
        }
        return 0;
    }

    // The demo's camera: attached a second from now, slow enough to watch.
    if (!sim.ApplyDefaultScenario()) {
        return Fail(L"the camera's scenario could not be set");
    }
    if (!e2e::WaitUntil([&] { return e2e::IsEnabled(item(IDC_UPDATE)); }, kStageMs)) {
        return Fail(L"the camera was not identified");
    }
    const auto lines = e2e::ListLines(item(IDC_VERSION_LIST));
    Say(L"camera identified: " + (lines && !lines->empty() ? lines->front() : L"?"));
    Settle(dialog);
    Picture(pictures, L"2-identified");

    // Pictured a few ticks in, while the blinking label shows: the dialog is painted, then held
    // still for the picture. A tick that came while it was painted is seen in the bar's position,
    // read just before the hold; one that came after that read hid the label, seen in the hold.
    // Either way the picture is taken again at a later tick.
    e2e::Click(item(IDC_UPDATE), e2e::Delivery::Posted);
    Say(L"updating");
    HWND label = item(IDC_FILE1);
    const auto position = [&] { return e2e::ProgressPosition(item(IDC_PROGRESS)).value_or(-1); };
    const auto finished = [&] {
        return e2e::FindMessageBox(updater.id(), L"Finished", dialog) != nullptr;
    };
    bool pictured = false;
    for (int tick = kTicksBeforePicture; !pictured;) {
        if (!e2e::WaitUntil(
                [&] { return (position() >= tick && e2e::IsVisible(label)) || finished(); },
                kStageMs)) {
            return Fail(L"the update did not go on");
        }
        if (finished()) {
            break;  // the first image was written before a picture caught its label
        }
        tick = position();
        Settle(dialog);
        if (position() == tick) {
            const Frozen held(dialog);
            pictured = held.ok() && e2e::IsVisible(label) && Picture(pictures, L"3-updating");
        }
        tick += 1;
    }
    if (!pictured) {
        Say(L"the running entry's label could not be caught showing; the picture may show it "
            L"hidden");
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
    Settle(box);
    Picture(pictures, L"4-finished");

    e2e::AnswerMessageBox(box, IDOK);
    if (!updater.WaitExit(kStageMs)) {
        return Fail(L"the updater did not end");
    }
    Say(L"the updater ended");
    return 0;
}
