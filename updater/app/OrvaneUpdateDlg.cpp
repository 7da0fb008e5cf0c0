// The main dialog's construction, message map, start-up and drawing.
#include "OrvaneUpdateDlg.h"

#include <commctrl.h>

#include <cstring>

#include "DialogNotifications.h"
#include "ImageTransfer.h"
#include "LibraryCamera.h"
#include "LogFile.h"
#include "OrvaneUpdateApp.h"
#include "PackageDescription.h"
#include "RunMessages.h"
#include "TAVIKUtilDll.h"
#include "TraceTarget.h"
#include "UnfinishedWrite.h"
#include "UpdateFileLookup.h"
#include "resource.h"

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kDarkBlue = RGB(0, 0, 128);

// The controls that take the bold font, in the order they are given it.
constexpr int kBoldControls[] = {IDC_VERSION_LIST, IDC_TITLE, IDC_CAUTION, IDC_DEVNAME, IDC_DATA};

constexpr UINT kOpenRefusalPeriodMs = 1000;

}  // namespace

const fw::MessageMapEntry COrvaneUpdateDlg::messageMap[] = {
    fw::MapPaint<&COrvaneUpdateDlg::OnPaint>(),
    fw::MapQueryDragIcon<&COrvaneUpdateDlg::OnQueryDragIcon>(),
    fw::MapButtonClicked<IDC_UPDATE, &COrvaneUpdateDlg::OnBnClickedUpdate>(),
    fw::MapButtonClicked<IDC_EXIT, &COrvaneUpdateDlg::OnBnClickedExit>(),
    fw::MapCtlColor<&COrvaneUpdateDlg::OnCtlColor>(),
    fw::MapTimer<&COrvaneUpdateDlg::OnTimer>(),
    fw::MapSysCommand<&COrvaneUpdateDlg::OnSysCommand>(),
    fw::MapMessage<WM_APP_WORKER_REQUEST, &COrvaneUpdateDlg::OnWorkerRequest>(),
    fw::MapMessage<WM_QUERYENDSESSION, &COrvaneUpdateDlg::OnQueryEndSession>(),
    fw::MapMessage<WM_ENDSESSION, &COrvaneUpdateDlg::OnEndSession>(),
    fw::kEndOfMessageMap,
};

COrvaneUpdateDlg::COrvaneUpdateDlg()
    : fw::CDialog(IDD_UPDATE_DIALOG, messageMap),
      // A shared icon of the program's own resources: never destroyed.
      appIcon(LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_APP_ICON))) {
    std::memset(updateFiles, 0, sizeof(updateFiles));
}

COrvaneUpdateDlg::~COrvaneUpdateDlg() {
    // Every end of the modal run has shut the library down and waited for the update thread;
    // this only guards a dialog that was never run modally.
    if (const auto quit = WaitForUpdateThread()) {
        PostQuitMessage(static_cast<int>(*quit));
    }
}

void COrvaneUpdateDlg::DoDataExchange(fw::CDataExchange* dx) {
    fw::CDialog::DoDataExchange(dx);
    fw::DDX_Control(dx, IDC_PROGRESS, progressCtrl);
}

BOOL COrvaneUpdateDlg::PreTranslateMessage(MSG* message) {
    // The tool tips need the mouse moves over the labels, and nothing else.
    if (message->message == WM_MOUSEMOVE) {
        toolTipCtrl.RelayEvent(message);
    }
    return fw::CDialog::PreTranslateMessage(message);
}

BOOL COrvaneUpdateDlg::OnInitDialog() {
    fw::CDialog::OnInitDialog();

    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(appIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(SmallIcon()));

    // A failure up to the library's start ends the program without a word and leaves an
    // earlier run's log as it was.
    if (!toolTipCtrl.Create(this, 0)) {
        EndDialog(0);
        return FALSE;
    }
    if (!LoadPackageDescription(*this)) {
        EndDialog(0);
        return FALSE;
    }
    ResolveUpdateFiles();

    const auto titleFont =
        reinterpret_cast<HFONT>(SendDlgItemMessageW(m_hWnd, IDC_TITLE, WM_GETFONT, 0, 0));
    LOGFONTW logFont = {};
    if (titleFont != nullptr && GetObjectW(titleFont, sizeof(logFont), &logFont) != 0) {
        logFont.lfWeight = FW_BOLD;
        if (boldFont.CreateFontIndirect(&logFont)) {
            for (int id : kBoldControls) {
                SendDlgItemMessageW(m_hWnd, id, WM_SETFONT,
                                    reinterpret_cast<WPARAM>(boldFont.GetSafeHandle()), TRUE);
            }
        }
    }
    ShowLogoForScreen();
    FitCautionText();

    TellOfUnfinishedWrite();

    // Looked at before the library opens the trace file, which it then holds.
    const std::wstring traceProblem = TraceProblem();
    if (!OrvaneUtil_Init(this, &COrvaneUpdateDlg::OnDeviceFound, theApp.simulationMode)) {
        EndDialog(0);
        return FALSE;
    }
    libraryStarted_ = true;
    SetTimer(m_hWnd, kOpenRefusalTimer, kOpenRefusalPeriodMs, nullptr);

    // Every run starts a new log.
    GetLogFilePath(logPath);
    DeleteFileW(logPath.c_str());
    std::wstring firstLine;
    GetOsDescription(firstLine);
    firstLine += L" : ";
    firstLine += ControlText(IDC_TITLE);
    WriteLog(logPath, firstLine);
    if (!traceProblem.empty()) {
        WriteLog(logPath, traceProblem);
        keepLog_ = true;  // the only place the technician who asked for a trace reads why
    }
    return TRUE;
}

void COrvaneUpdateDlg::TellOfUnfinishedWrite() {
    std::wstring path;
    GetLogFilePath(path);
    if (!UnfinishedWriteMarked(UnfinishedWritePath(path))) {
        return;
    }
    // The dialog shows behind the box, where it will stay. The mark itself stays until a run
    // reaches its result: the camera is half-written until then.
    CentreWindow();
    ShowWindow(m_hWnd, SW_SHOW);
    const MessageBoxText box = UnfinishedWriteMessage();
    MessageBoxW(m_hWnd, box.text.c_str(), box.caption, box.style);
}

int __stdcall COrvaneUpdateDlg::OnDeviceFound(void* context) {
    auto* dialog = static_cast<COrvaneUpdateDlg*>(context);
    // Noted first: only a notification posted after the library's report counts.
    dialog->deviceReported_.store(true);
    PostMessageW(dialog->m_hWnd, WM_SYSCOMMAND, SYSCMD_DEVICE_FOUND, 0);
    return 0;
}

void COrvaneUpdateDlg::ShowOpenRefusal() {
    if (stage_ != DialogStage::Waiting) {
        KillTimer(m_hWnd, kOpenRefusalTimer);  // the device check owns the line from now on
        return;
    }
    const DWORD refusal = AskOpenRefusal();
    const std::wstring line = refusal != 0 ? OpenRefusedLine(refusal) : std::wstring();
    if (line == refusalShown_) {
        return;
    }
    HWND versionList = GetDlgItem(IDC_VERSION_LIST);
    SendMessageW(versionList, LB_RESETCONTENT, 0, 0);
    if (!line.empty()) {
        SendMessageW(versionList, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(line.c_str()));
    }
    refusalShown_ = line;
}

HBRUSH COrvaneUpdateDlg::OnCtlColor(HDC dc, HWND control, UINT kind) {
    const auto brush = reinterpret_cast<HBRUSH>(Default());
    SetBkMode(dc, TRANSPARENT);
    if (kind == CTLCOLOR_STATIC) {
        switch (GetDlgCtrlID(control)) {
            case IDC_CAUTION:
                SetTextColor(dc, kRed);
                break;
            case IDC_TITLE:
            case IDC_DEVNAME:
                SetTextColor(dc, kBlack);
                break;
            default:
                SetTextColor(dc, kDarkBlue);
                break;
        }
    }
    return brush;
}

void COrvaneUpdateDlg::OnPaint() {
    if (!IsIconic(m_hWnd)) {
        Default();
        return;
    }
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(m_hWnd, &paint);
    if (dc == nullptr) {
        return;
    }
    SendMessageW(m_hWnd, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    const int iconWidth = GetSystemMetrics(SM_CXICON);
    const int iconHeight = GetSystemMetrics(SM_CYICON);
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const int x = (client.right - client.left - iconWidth + 1) / 2;
    const int y = (client.bottom - client.top - iconHeight + 1) / 2;
    DrawIcon(dc, x, y, appIcon);
    EndPaint(m_hWnd, &paint);
}

HCURSOR COrvaneUpdateDlg::OnQueryDragIcon() {
    return static_cast<HCURSOR>(appIcon);
}

void COrvaneUpdateDlg::OnSysCommand(UINT id, LPARAM lParam) {
    // A notification counts only in the stage where it can arise; any other, like the system's
    // own commands, gets the default handling (a close command ends in OnCancel).
    switch (id & kSysCommandCodeMask) {
        case SYSCMD_DEVICE_FOUND:
            if (InputCounts(stage_, DialogInput::DeviceFound, false, deviceReported_.load())) {
                stage_ = DialogStage::Checking;
                const bool ready = CheckDevice();
                if (stage_ == DialogStage::Checking) {  // the check did not end the run
                    stage_ = ready ? DialogStage::ReadyToUpdate : DialogStage::WaitingForGood;
                }
                return;
            }
            break;
        case SYSCMD_UPDATE_SUCCEEDED:
            if (InputCounts(stage_, DialogInput::UpdateSucceeded, false,
                            IsWorkersResult(id, lParam))) {
                stage_ = DialogStage::Ending;
                shutdownBlock_.End();  // the write is over
                OnUpdateSucceeded();
                return;
            }
            break;
        case SYSCMD_UPDATE_FAILED:
            if (InputCounts(stage_, DialogInput::UpdateFailed, false,
                            IsWorkersResult(id, lParam))) {
                stage_ = DialogStage::Ending;
                shutdownBlock_.End();
                OnUpdateFailed(lParam);
                return;
            }
            break;
        default:
            break;
    }
    Default();
}

bool COrvaneUpdateDlg::ClickCounts(DialogInput click, int buttonId) const {
    // A box of ours disables the dialog while it shows: a click then came from no operator.
    const bool clickable =
        IsWindowEnabled(m_hWnd) != FALSE && IsWindowEnabled(GetDlgItem(buttonId)) != FALSE;
    return InputCounts(stage_, click, clickable, false);
}

bool COrvaneUpdateDlg::IsWorkersResult(UINT wParam, LPARAM lParam) const {
    // The code is stored last, so a parameter read after it is the worker's.
    return workerResult_.load() == wParam && workerResultParam_.load() == lParam;
}

bool COrvaneUpdateDlg::WorkerRunning() const {
    return updateThreadDone_ && WaitForSingleObject(updateThreadDone_.get(), 0) == WAIT_TIMEOUT;
}

LRESULT COrvaneUpdateDlg::OnQueryEndSession(WPARAM, LPARAM) {
    // A shut-down or log-off would cut the write and leave a half-written camera: refuse it
    // until the result is in. A forced end cannot be refused and is not answered here.
    if (stage_ == DialogStage::Updating || WorkerRunning()) {
        return FALSE;
    }
    return Default();
}

LRESULT COrvaneUpdateDlg::OnEndSession(WPARAM ending, LPARAM) {
    // The session ends whatever we answered before: Windows ends this process next. The log
    // says why the write stopped; the mark of the unfinished write stays for the next start.
    if (ending != FALSE && !sessionEndLogged_ &&
        (stage_ == DialogStage::Updating || WorkerRunning())) {
        sessionEndLogged_ = true;
        WriteLog(logPath, kSessionEndedLine);
    }
    return 0;
}

std::wstring COrvaneUpdateDlg::ControlText(int id) const {
    HWND control = GetDlgItem(id);
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) {
        return std::wstring();
    }
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(control, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

// --- Package ---------------------------------------------------------------------------------

void COrvaneUpdateDlg::SetTitleText(const wchar_t* text) {
    SetDlgItemTextW(m_hWnd, IDC_TITLE, text);
}

void COrvaneUpdateDlg::SetDevNameText(const wchar_t* text) {
    SetDlgItemTextW(m_hWnd, IDC_DEVNAME, text);
}

void COrvaneUpdateDlg::SetDevNameCheck(bool check) {
    devNameCheck = check;
}

void COrvaneUpdateDlg::StoreUpdateFile(int index, const UpdateFileEntry& candidate) {
    if (index < 0 || index >= kUpdateFileCount) {
        return;
    }
    UpdateFileEntry& entry = updateFiles[index];
    entry.selector = candidate.selector;
    entry.timeoutMs = candidate.timeoutMs;
    std::memcpy(entry.fileName, candidate.fileName, sizeof(entry.fileName));
    std::memcpy(entry.toolTip, candidate.toolTip, sizeof(entry.toolTip));
}

void COrvaneUpdateDlg::ResolveUpdateFiles() {
    EnableWindow(GetDlgItem(IDC_UPDATE), FALSE);
    for (int i = 0; i < kUpdateFileCount; ++i) {
        HWND label = GetDlgItem(IDC_FILE1 + i);
        ShowWindow(label, SW_HIDE);
        UpdateFileEntry& entry = updateFiles[i];
        if (entry.fileName[0] == L'\0') {
            continue;
        }
        if (ResolveUpdateFile(entry)) {
            ShowWindow(label, SW_SHOW);
            toolTipCtrl.AddTool(label, entry.toolTip);
        }
    }
}
