// The camera's report: transfer off, model and firmware version, the model check; and the ways
// out of a run.
#include <windows.h>

#include "DeviceDecision.h"
#include "DialogNotifications.h"
#include "LibraryCamera.h"
#include "LogFile.h"
#include "OrvaneUpdateApp.h"
#include "OrvaneUpdateDlg.h"
#include "RunMessages.h"
#include "TAVIKUtilDll.h"
#include "resource.h"

namespace {

// The program's exit status after a write that failed once the program had been told to end.
constexpr int kFailedWriteExitStatus = 1;

}  // namespace

bool COrvaneUpdateDlg::CheckDevice() {
    LibraryCamera camera(LibraryCamera::Transfer::SwitchedOff);
    const DeviceAnswers answers = AskDeviceCheck(camera);

    HWND versionList = GetDlgItem(IDC_VERSION_LIST);
    SendMessageW(versionList, LB_RESETCONTENT, 0, 0);

    DevicePackage package{ControlText(IDC_DEVNAME), devNameCheck, false};
    for (const UpdateFileEntry& entry : updateFiles) {
        package.anyImageFound = package.anyImageFound || entry.found;
    }
    const DeviceDecision decision = DecideDevice(answers, package);
    // A camera that cannot be identified leaves the dialog waiting, without a word: the
    // library reports the camera only once, so only Exit leads on.
    if (decision.outcome == DeviceOutcome::KeepsWaiting) {
        return false;
    }
    SendMessageW(versionList, LB_ADDSTRING, 0,
                 reinterpret_cast<LPARAM>(decision.versionLine.c_str()));
    WriteLog(logPath, decision.versionLine);

    if (decision.outcome != DeviceOutcome::GoesAhead &&
        MessageBoxW(m_hWnd, decision.box.text.c_str(), decision.box.caption, decision.box.style) !=
            IDYES) {
        EndRun(Log::Delete);
        return false;
    }
    if (decision.updateEnabled) {
        EnableWindow(GetDlgItem(IDC_UPDATE), TRUE);
    }
    return decision.updateEnabled;
}

void COrvaneUpdateDlg::OnBnClickedExit() {
    if (!ClickCounts(DialogInput::ExitClick, IDC_EXIT)) {
        return;
    }
    EndRun(Log::Delete);
}

void COrvaneUpdateDlg::OnUpdateSucceeded() {
    const MessageBoxText box = FinishedMessage(ControlText(IDC_DEVNAME));
    MessageBoxW(m_hWnd, box.text.c_str(), box.caption, box.style);
    EndRun(Log::Delete);
}

void COrvaneUpdateDlg::OnUpdateFailed(LPARAM error) {
    // The log stays: it holds the failed run's lines.
    const MessageBoxText box = FailedMessage(static_cast<long>(error));
    MessageBoxW(m_hWnd, box.text.c_str(), box.caption, box.style);
    EndRun(Log::Keep);
}

void COrvaneUpdateDlg::EndRun(Log log) {
    ShutDown(log);
    EndDialog(0);
}

void COrvaneUpdateDlg::ShutDown(Log log) {
    if (shutDown_) {
        return;
    }
    shutDown_ = true;
    stage_ = DialogStage::Ending;
    // The update thread has posted its result but may still be in its last steps, which send
    // to this dialog: it must be gone before the window and this object are.
    const auto quit = WaitForUpdateThread();
    shutdownBlock_.End();
    if (log == Log::Delete && !keepLog_) {
        DeleteFileW(logPath.c_str());
    }
    OrvaneUtil_Uninit();
    if (quit) {
        PostQuitMessage(static_cast<int>(*quit));  // for the loop that runs this dialog
    }
}

void COrvaneUpdateDlg::OnModalLoopEnded() {
    // The loop ended without a way out of ours (WM_QUIT, GetMessageW failing): the scan must
    // not outlive this object, nor the camera stay without its closing value.
    if (!libraryStarted_) {
        return;
    }
    if (stage_ == DialogStage::Updating) {
        // Ended during a write: the operator still gets its result once the worker is done, and
        // a failed write ends the program with a status a script cannot take for success.
        const auto quit = WaitForUpdateThread();
        const UINT result = workerResult_.load();
        if (result == SYSCMD_UPDATE_SUCCEEDED || result == SYSCMD_UPDATE_FAILED) {
            stage_ = DialogStage::Ending;
            shutdownBlock_.End();
            if (result == SYSCMD_UPDATE_SUCCEEDED) {
                OnUpdateSucceeded();
            } else {
                theApp.SetExitStatus(kFailedWriteExitStatus);
                OnUpdateFailed(workerResultParam_.load());
            }
        }
        if (quit) {
            PostQuitMessage(static_cast<int>(*quit));
        }
    }
    // A run that may have written the camera and whose result no one saw keeps its log.
    ShutDown(updateStarted_ ? Log::Keep : Log::Delete);
}
