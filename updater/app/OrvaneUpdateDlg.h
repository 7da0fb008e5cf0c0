// The main dialog: the whole user interface and the owner of the updater's run-time state.
#pragma once

#include <windows.h>

#include <atomic>
#include <optional>
#include <string>

#include "Dialog.h"
#include "DialogInputRule.h"
#include "Font.h"
#include "ImageFile.h"
#include "Images.h"
#include "PackageSink.h"
#include "ProgressCtrl.h"
#include "ToolTipCtrl.h"
#include "UniqueAny.h"
#include "UpdateFileEntry.h"
#include "WorkerRequests.h"
#include "WriteGuards.h"

class COrvaneUpdateDlg : public fw::CDialog, private PackageSink {
public:
    COrvaneUpdateDlg();
    ~COrvaneUpdateDlg() override;

    HICON appIcon;
    fw::CToolTipCtrl toolTipCtrl;
    fw::CFont boldFont;
    // The running update thread; the thread closes it and clears it as it ends.
    std::atomic<HANDLE> updateThread{nullptr};
    UpdateFileEntry updateFiles[kUpdateFileCount];
    // True: the next progress tick shows the active label; written by the update thread,
    // inverted by each tick.
    std::atomic<bool> blinkOn{true};
    std::wstring logPath;
    fw::CProgressCtrl progressCtrl;
    bool devNameCheck = false;

protected:
    void DoDataExchange(fw::CDataExchange* dx) override;
    BOOL PreTranslateMessage(MSG* message) override;
    BOOL OnInitDialog() override;
    void OnOK() override {}      // Enter does nothing
    void OnCancel() override {}  // nor do Escape and the close commands
    void OnModalLoopEnded() override;

private:
    static const fw::MessageMapEntry messageMap[];

    // Message handlers.
    void OnPaint();
    HCURSOR OnQueryDragIcon();
    void OnBnClickedUpdate();
    void OnBnClickedExit();
    HBRUSH OnCtlColor(HDC dc, HWND control, UINT kind);
    void OnTimer(UINT_PTR id);
    void OnSysCommand(UINT id, LPARAM lParam);
    LRESULT OnWorkerRequest(WPARAM, LPARAM);
    LRESULT OnQueryEndSession(WPARAM, LPARAM);
    LRESULT OnEndSession(WPARAM ending, LPARAM);

    // The library's connection callback: runs on the library's thread, so it only posts.
    static int __stdcall OnDeviceFound(void* context);
    // While the dialog waits: a camera that is there but cannot be opened, said on the version
    // line, which is cleared once it opens. Asked on a slow timer, never of the camera itself.
    void ShowOpenRefusal();
    static constexpr UINT_PTR kOpenRefusalTimer = 16;  // apart from the progress timers, 1 to 5

    // For the screen the dialog shows on: the small icon in its size (appIcon when it cannot be
    // loaded), the logo drawn for its DPI, the caution in a font in which it shows whole.
    HICON SmallIcon();
    void ShowLogoForScreen();
    void FitCautionText();

    // Package.
    void SetTitleText(const wchar_t* text) override;
    void SetDevNameText(const wchar_t* text) override;
    void SetDevNameCheck(bool check) override;
    void StoreUpdateFile(int index, const UpdateFileEntry& candidate) override;
    void ResolveUpdateFiles();

    // Whether a click on `buttonId` counts now.
    bool ClickCounts(DialogInput click, int buttonId) const;
    // Whether a result notification is the one this run's worker posted.
    bool IsWorkersResult(UINT wParam, LPARAM lParam) const;
    bool WorkerRunning() const;
    // A write cut off before its result in an earlier run: told before anything else happens
    // to the camera.
    void TellOfUnfinishedWrite();

    // Device check and the ways out. True only when the check reached its end and enabled
    // "Update": the camera accepted and an image found.
    bool CheckDevice();
    void OnUpdateSucceeded();
    void OnUpdateFailed(LPARAM error);
    enum class Log { Delete, Keep };
    void EndRun(Log log);
    // What every way out does, once: waits for the worker, deletes or keeps the log, and
    // shuts the library down.
    void ShutDown(Log log);
    std::wstring ControlText(int id) const;

    // Before a run: true when the battery is too low for it, told and logged.
    bool RefusedForBattery();

    // Update procedure.
    static unsigned __stdcall UpdateThread(void* dialog);
    void RunUpdate();
    void ReadAndWriteImages();  // posts the result
    bool WriteImages(uint32_t* errorCode);
    bool ReadImages(ImageBuffer (&images)[kUpdateFileCount]);
    void BeginEntry(int slot);
    bool FailEntry(int slot, const wchar_t* reason);
    bool WriteEntry(int slot, ImageBuffer image, uint32_t* errorCode);
    void AddDoneSuffix();
    void PostResult(UINT code, LPARAM lParam);
    // Queued for the dialog's thread, and carried out there before this returns.
    void AskDialog(const WorkerRequest& request);
    void StopTimer(UINT_PTR id);
    // Handles what comes meanwhile but the operator's input and results; a quit seen is
    // handed back, for the caller to post again once it is done.
    [[nodiscard]] std::optional<WPARAM> WaitForUpdateThread();

    fw::UniqueIcon smallIcon_;
    fw::UniqueBitmap logoBitmap_;        // the logo for 150 % or 200 %; none at 100 %
    fw::CFont cautionFont_;              // the bold font, smaller, where the caution would not fit
    UniqueHandle updateThreadDone_;      // a handle of our own to wait for the update thread's end
    WorkerRequestQueue workerRequests_;  // filled by the worker, emptied by the dialog's thread
    ShutdownBlockReason shutdownBlock_;  // from the start of a write until its result
    DialogStage stage_ = DialogStage::Waiting;
    bool libraryStarted_ = false;  // OrvaneUtil_Init succeeded
    bool updateStarted_ = false;   // the worker was started: the camera may have been written
    bool shutDown_ = false;        // the library is shut down once, by the first way out
    bool keepLog_ = false;         // the log says why TAVIK_TRACE got no trace
    // The result notification the worker posted (wParam 0: none yet), so that only that one
    // ends the run.
    std::atomic<UINT> workerResult_{0};
    std::atomic<LPARAM> workerResultParam_{0};
    std::atomic<bool> deviceReported_{false};  // the library called OnDeviceFound
    bool sessionEndLogged_ = false;
    std::wstring refusalShown_;                // the version line's text while it waits
};
