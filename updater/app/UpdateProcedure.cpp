// The update: a worker thread writes each found image into the camera in one request, while a
// 500 ms timer on the dialog advances the bar and blinks the image's label.
#include <windows.h>
#include <process.h>

#include <optional>
#include <string>

#include "DialogNotifications.h"
#include "ImageFile.h"
#include "ImageTransfer.h"
#include "LogFile.h"
#include "OrvaneUpdateDlg.h"
#include "PackageDescription.h"
#include "TAVIKUtilDll.h"
#include "UnfinishedWrite.h"
#include "resource.h"

namespace {

constexpr uint32_t kRestoredTimeoutMs = 20000;  // the library's time-out after each write
constexpr wchar_t kDoneSuffix[] = L" [Done]";   // after the version line once all is written
constexpr DWORD kResultRetryMs = 50;  // while the dialog's queues have no room for the result

bool IsResultNotification(const MSG& message) {
    const UINT code = static_cast<UINT>(message.wParam) & kSysCommandCodeMask;
    return message.message == WM_SYSCOMMAND &&
           (code == SYSCMD_UPDATE_SUCCEEDED || code == SYSCMD_UPDATE_FAILED);
}

// The folder the package was read from, for the mark of an unfinished write.
std::wstring CurrentFolder() {
    const DWORD needed = GetCurrentDirectoryW(0, nullptr);
    std::wstring folder(needed, L'\0');
    const DWORD length = needed == 0 ? 0 : GetCurrentDirectoryW(needed, &folder[0]);
    folder.resize(length < needed ? length : 0);
    return folder;
}

}  // namespace

void COrvaneUpdateDlg::OnBnClickedUpdate() {
    // One run at a time: a click that could not have come from the operator starts nothing.
    if (!ClickCounts(DialogInput::UpdateClick, IDC_UPDATE)) {
        return;
    }
    if (RefusedForBattery()) {
        return;  // nothing was sent: "Update" stays enabled for a click on mains power
    }
    // Created suspended: the handle must be stored before the thread can end and clear it.
    unsigned threadId = 0;
    const uintptr_t started = _beginthreadex(nullptr, 0, &COrvaneUpdateDlg::UpdateThread, this,
                                             CREATE_SUSPENDED, &threadId);
    if (started == 0) {
        return;  // nothing changes and nothing is shown: "Update" can be pressed again
    }
    UniqueHandle thread(reinterpret_cast<HANDLE>(started));
    HANDLE waitable = nullptr;
    if (!DuplicateHandle(GetCurrentProcess(), thread.get(), GetCurrentProcess(), &waitable,
                         SYNCHRONIZE, FALSE, 0)) {
        // Without a handle of our own the dialog could not outlive the thread safely. It has
        // not run a single step, so ending it touches nothing.
        TerminateThread(thread.get(), 0);
        return;
    }
    UniqueHandle done(waitable);
    updateThread.store(thread.get());
    if (ResumeThread(thread.get()) == static_cast<DWORD>(-1)) {
        updateThread.store(nullptr);
        TerminateThread(thread.get(), 0);
        return;
    }
    thread.release();  // the thread's own now: it closes it as it ends
    updateThreadDone_ = std::move(done);
    stage_ = DialogStage::Updating;
    updateStarted_ = true;
    shutdownBlock_.Begin(m_hWnd);
    EnableWindow(GetDlgItem(IDC_UPDATE), FALSE);
    EnableWindow(GetDlgItem(IDC_EXIT), FALSE);
}

unsigned __stdcall COrvaneUpdateDlg::UpdateThread(void* dialog) {
    static_cast<COrvaneUpdateDlg*>(dialog)->RunUpdate();
    return 0;
}

void COrvaneUpdateDlg::RunUpdate() {
    // "Srart" is the program's own spelling, which debugger logs are matched against: keep it.
    OutputDebugStringW(L"UpdateThread Srart\r\n");
    ReadAndWriteImages();
    AskDialog({WorkerRequestKind::EnableControl, IDC_EXIT, TRUE});

    OutputDebugStringW(L"UpdateThread End\r\n");
    if (HANDLE own = updateThread.exchange(nullptr)) {
        CloseHandle(own);
    }
}

void COrvaneUpdateDlg::ReadAndWriteImages() {
    // From the first request to the result the PC must not sleep.
    const SystemAwakeRequest awake;

    UINT result = SYSCMD_UPDATE_FAILED;
    uint32_t errorCode = 0;
    {
        // From the click until the result is known the camera is this thread's alone: no
        // other program's library sends it anything meanwhile.
        const CameraWriteClaim claim;
        if (!claim.held()) {
            WriteLog(logPath, kCameraBusyLine);
        } else if (WriteImages(&errorCode)) {
            AddDoneSuffix();
            result = SYSCMD_UPDATE_SUCCEEDED;
        }
    }
    PostResult(result, result == SYSCMD_UPDATE_FAILED
                           ? static_cast<LPARAM>(static_cast<int32_t>(errorCode))
                           : 0);
}

bool COrvaneUpdateDlg::WriteImages(uint32_t* errorCode) {
    // Slots in the order of their IDs, whatever the package's order; the first failure ends
    // the run. Every image is in memory before the first request, so an image that has gone
    // or cannot be read fails the run while the camera is still untouched.
    ImageBuffer images[kUpdateFileCount];
    if (!ReadImages(images)) {
        return false;
    }
    // On disk before the first image leaves, and gone once the result is known: a run cut
    // off in between is told at the next start. Without it the write still goes ahead; the
    // camera needs its firmware more than the mark.
    const std::wstring mark = UnfinishedWritePath(logPath);
    MarkUnfinishedWrite(mark, CurrentFolder());
    bool ok = true;
    for (int slot = 0; slot < kUpdateFileCount && ok; ++slot) {
        if (updateFiles[slot].found) {
            ok = WriteEntry(slot, std::move(images[slot]), errorCode);
        }
    }
    ClearUnfinishedWrite(mark);
    return ok;
}

void COrvaneUpdateDlg::AddDoneSuffix() {
    HWND list = GetDlgItem(IDC_VERSION_LIST);
    std::wstring line;
    const LRESULT length = SendMessageW(list, LB_GETTEXTLEN, 0, 0);
    if (length != LB_ERR) {
        line.resize(static_cast<size_t>(length) + 1);
        const LRESULT copied =
            SendMessageW(list, LB_GETTEXT, 0, reinterpret_cast<LPARAM>(&line[0]));
        line.resize(copied == LB_ERR ? 0 : static_cast<size_t>(copied));
    }
    line += kDoneSuffix;
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
}

void COrvaneUpdateDlg::PostResult(UINT code, LPARAM lParam) {
    // Noted before it is posted: the dialog takes only this notification for the result.
    workerResultParam_.store(lParam);
    workerResult_.store(code);
    // Without the result the dialog would stay "updating" for good, with Exit refused. A
    // posted-message queue that is full has no room for it; a notification sent without
    // waiting needs none, and still never makes this thread wait for the operator.
    while (!PostMessageW(m_hWnd, WM_SYSCOMMAND, code, lParam) &&
           !SendNotifyMessageW(m_hWnd, WM_SYSCOMMAND, code, lParam) && IsWindow(m_hWnd)) {
        Sleep(kResultRetryMs);
    }
}

bool COrvaneUpdateDlg::ReadImages(ImageBuffer (&images)[kUpdateFileCount]) {
    for (int slot = 0; slot < kUpdateFileCount; ++slot) {
        const UpdateFileEntry& entry = updateFiles[slot];
        if (!entry.found) {
            continue;
        }
        // Each file is held, shared for reading only, from its open until it has been read.
        switch (
            ReadImageFile(std::wstring(kPackageFolder) + L"\\" + entry.fileName, &images[slot])) {
            case ImageReadResult::Read:
                continue;
            case ImageReadResult::OpenOrSizeFailed:  // logged as an open error, whichever it was
                BeginEntry(slot);
                return FailEntry(slot, kFileOpenErrorLine);
            case ImageReadResult::NoMemory:
                BeginEntry(slot);
                return FailEntry(slot, kMemoryErrorLine);
            case ImageReadResult::ReadFailed:
                BeginEntry(slot);
                return FailEntry(slot, kFileReadErrorLine);
        }
    }
    return true;
}

// The entry's first lines, its label bold, the bar from 0 against its time-out.
void COrvaneUpdateDlg::BeginEntry(int slot) {
    const UpdateFileEntry& entry = updateFiles[slot];
    WriteLog(logPath, EntryStartLine(entry.toolTip));
    WriteLog(logPath, EntryFileLine(entry.fileName));
    blinkOn.store(false);
    SendMessageW(GetDlgItem(IDC_FILE1 + slot), WM_SETFONT,
                 reinterpret_cast<WPARAM>(boldFont.GetSafeHandle()), TRUE);
    progressCtrl.SetRange(0, static_cast<short>(ProgressUpperBound(entry.timeoutMs)));
    progressCtrl.SetPos(0);
}

bool COrvaneUpdateDlg::FailEntry(int slot, const wchar_t* reason) {
    if (reason != nullptr) {
        WriteLog(logPath, reason);
    }
    WriteLog(logPath, EntryOutcomeLine(updateFiles[slot].toolTip, false));
    return false;
}

bool COrvaneUpdateDlg::WriteEntry(int slot, ImageBuffer image, uint32_t* errorCode) {
    const UpdateFileEntry& entry = updateFiles[slot];
    BeginEntry(slot);

    const SystemDataRecord record =
        MakeSystemDataRecord(entry.selector, image.bytes.get(), image.length);
    const UINT_PTR timerId = static_cast<UINT_PTR>(slot + 1);
    AskDialog({WorkerRequestKind::StartTimer, timerId, 0});
    // Nothing is written under a time-out the camera did not take: the one before may be far
    // shorter than the image needs.
    const wchar_t* failed = nullptr;
    if (!OrvaneUtil_SetTimeOutInfo(entry.timeoutMs)) {
        failed = L"SetTimeOutInfo";
    } else if (!OrvaneUtil_SetSystemData(&record)) {
        failed = L"SetSystemData";
    }
    OrvaneUtil_SetTimeOutInfo(kRestoredTimeoutMs);
    AskDialog({WorkerRequestKind::StopTimer, timerId, 0});
    image.bytes.reset();  // the driver has finished reading it

    if (failed == nullptr) {
        progressCtrl.SetPos(ProgressUpperBound(entry.timeoutMs));
        AskDialog(
            {WorkerRequestKind::ShowControl, static_cast<UINT_PTR>(IDC_FILE1 + slot), SW_HIDE});
        WriteLog(logPath, EntryOutcomeLine(entry.toolTip, true));
        return true;
    }
    uint32_t code = 0;
    if (OrvaneUtil_GetLastError(&code)) {
        WriteLog(logPath, RequestErrorLine(failed, code));
        *errorCode = code;
    }
    return FailEntry(slot, nullptr);
}

void COrvaneUpdateDlg::AskDialog(const WorkerRequest& request) {
    workerRequests_.Push(request);
    SendMessageW(m_hWnd, WM_APP_WORKER_REQUEST, 0, 0);
}

LRESULT COrvaneUpdateDlg::OnWorkerRequest(WPARAM, LPARAM) {
    while (const auto request = workerRequests_.Pop()) {
        switch (request->kind) {
            case WorkerRequestKind::StartTimer:
                SetTimer(m_hWnd, request->id, kProgressTickMs, nullptr);
                break;
            case WorkerRequestKind::StopTimer:
                StopTimer(request->id);
                break;
            case WorkerRequestKind::ShowControl:
                ShowWindow(GetDlgItem(static_cast<int>(request->id)), request->value);
                break;
            case WorkerRequestKind::EnableControl:
                EnableWindow(GetDlgItem(static_cast<int>(request->id)),
                             request->value != 0 ? TRUE : FALSE);
                break;
        }
    }
    return 0;
}

void COrvaneUpdateDlg::StopTimer(UINT_PTR id) {
    KillTimer(m_hWnd, id);
    // A tick already queued must not move the bar or the label after the write has ended. A
    // quit is handed out whatever the filter: it is put back for the loop it belongs to.
    MSG tick;
    std::optional<WPARAM> quit;
    while (PeekMessageW(&tick, m_hWnd, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        if (tick.message == WM_QUIT) {
            quit = tick.wParam;
        }
    }
    if (quit) {
        PostQuitMessage(static_cast<int>(*quit));
    }
}

void COrvaneUpdateDlg::OnTimer(UINT_PTR id) {
    if (id < 1 || id > static_cast<UINT_PTR>(kUpdateFileCount)) {
        if (id == kOpenRefusalTimer) {
            ShowOpenRefusal();
            return;
        }
        Default();
        return;
    }
    progressCtrl.SetPos(progressCtrl.GetPos() + 1);
    const bool show = blinkOn.load();
    ShowWindow(GetDlgItem(IDC_FILE1 + static_cast<int>(id) - 1), show ? SW_SHOW : SW_HIDE);
    blinkOn.store(!show);
}

std::optional<WPARAM> COrvaneUpdateDlg::WaitForUpdateThread() {
    std::optional<WPARAM> quit;
    MSG message;
    // A quit the loop that ran the dialog posted again: whoever waits here shows a box next,
    // which a pending quit would close at once.
    while (PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
        quit = message.wParam;
    }
    if (!updateThreadDone_) {
        return quit;
    }
    HANDLE thread = updateThreadDone_.get();
    // A write may take a minute more (the loop ended by WM_QUIT meanwhile): everything but the
    // operator's input is handled until the worker is gone, what it sends, the bar's ticks and
    // painting, so Windows never takes the window for hung and offers to end it. The worker's
    // result is left to the caller, who reads it from the worker itself.
    for (;;) {
        const DWORD woken = MsgWaitForMultipleObjects(1, &thread, FALSE, INFINITE, QS_ALLINPUT);
        if (woken != WAIT_OBJECT_0 + 1) {
            break;
        }
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = message.wParam;
            } else if (!IsOperatorInput(message.message) && !IsResultNotification(message)) {
                DispatchMessageW(&message);
            }
        }
    }
    updateThreadDone_.reset();
    return quit;
}
