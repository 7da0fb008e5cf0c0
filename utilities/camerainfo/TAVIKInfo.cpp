// TAVIKInfo: waits for the camera and reports its model, firmware version and transfer mode,
// as the updater would see them, without changing anything in it. A client of the library's
// published interface, linked by name.
#include <windows.h>

#include <string>
#include <vector>

#include "CameraInfoOptions.h"
#include "CameraReport.h"
#include "ConsoleOutput.h"
#include "TAVIKUtilDll.h"
#include "UniqueAny.h"

namespace {

constexpr int kUsageStatus = 4;  // 0 to 3 are the answers about the camera

// Both callbacks run on the library's threads: they only signal.
int __stdcall SignalEvent(void* event) {
    SetEvent(static_cast<HANDLE>(event));
    return 0;
}

HANDLE stopEvent = nullptr;

BOOL WINAPI OnConsoleControl(DWORD) {
    SetEvent(stopEvent);
    return TRUE;
}

// Only requests that read: the camera is left as the library's own start and end leave it.
CameraAnswers AskCamera() {
    CameraAnswers answers;
    const auto readErrorCode = [&answers] {
        uint32_t code = 0;
        answers.errorCodeRead = OrvaneUtil_GetLastError(&code);
        answers.libraryError = code;
    };
    answers.versionRead = OrvaneUtil_GetVersion(&answers.version);
    if (!answers.versionRead) {
        readErrorCode();
        return answers;
    }
    if (ModelName(answers.version.productCode) == nullptr) {
        return answers;
    }
    answers.blockRead = OrvaneUtil_GetCtrlCurrent(kVersionControl, answers.block,
                                                  static_cast<uint32_t>(sizeof(answers.block)));
    if (!answers.blockRead) {
        readErrorCode();
        return answers;
    }
    answers.transferRead = OrvaneUtil_GetTrans(&answers.transferMode);
    if (!answers.transferRead) {
        readErrorCode();
    }
    return answers;
}

void Print(const CameraReport& report, const CameraInfoOptions& options) {
    if (options.json) {
        WriteUtf8(OutputStream::Out, FormatReportJson(report));
    } else {
        WriteText(OutputStream::Out, FormatReportText(report, options.waitSeconds));
    }
}

// Until the camera is removed or the user interrupts.
void WatchForRemoval(const CameraInfoOptions& options) {
    UniqueHandle removed(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!removed || !OrvaneUtil_WatchConnection(removed.get(), &SignalEvent)) {
        WriteText(OutputStream::Error, L"TAVIKInfo: the removal watch could not start\r\n");
        return;
    }
    const HANDLE events[] = {removed.get(), stopEvent};
    if (WaitForMultipleObjects(2, events, FALSE, INFINITE) == WAIT_OBJECT_0) {
        if (options.json) {
            WriteUtf8(OutputStream::Out, FormatRemovedJson());
        } else {
            WriteText(OutputStream::Out, kRemovedText);
        }
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    ReserveStandardOutput();
    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    CameraInfoOptions options;
    std::wstring error;
    if (!ParseCameraInfoArguments(arguments, &options, &error)) {
        WriteText(OutputStream::Error, L"TAVIKInfo: " + error + L"\r\n" + kCameraInfoUsage);
        return kUsageStatus;
    }

    UniqueHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    UniqueHandle connected(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!stop || !connected) {
        WriteText(OutputStream::Error, L"TAVIKInfo: no event could be created\r\n");
        return static_cast<int>(CameraInfoStatus::QueryFailed);
    }
    stopEvent = stop.get();
    SetConsoleCtrlHandler(&OnConsoleControl, TRUE);

    if (!OrvaneUtil_Init(connected.get(), &SignalEvent, false)) {
        WriteText(OutputStream::Error, L"TAVIKInfo: the library could not start (system error " +
                                           std::to_wstring(GetLastError()) + L")\r\n");
        return static_cast<int>(CameraInfoStatus::QueryFailed);
    }
    const HANDLE events[] = {connected.get(), stop.get()};
    const DWORD woken = WaitForMultipleObjects(2, events, FALSE, options.waitSeconds * 1000);

    CameraReport report;
    if (woken == WAIT_OBJECT_0) {
        report = InterpretAnswers(AskCamera());
    }
    Print(report, options);
    if (options.watch && report.status == CameraInfoStatus::Identified) {
        WatchForRemoval(options);
    }
    OrvaneUtil_Uninit();
    return static_cast<int>(report.status);
}
