// TAVIKInfo: waits for the camera and reports its model, firmware version and transfer mode,
// as the updater would see them, without changing anything in it. A client of the library's
// published interface, linked by name.
#include <windows.h>

#include <string>
#include <vector>

#include "CameraInfoOptions.h"
#include "CameraReport.h"
#include "CameraSession.h"
#include "ConsoleOutput.h"
#include "TimeStamp.h"
#include "ToolError.h"
#include "ToolMain.h"
#include "ToolStatus.h"
#include "ToolVersion.h"
#include "UpdaterRunning.h"

namespace {

constexpr wchar_t kTool[] = L"TAVIKInfo";

// A run that ends before the camera was looked at: why, on standard error, and with --json the
// document that says so.
int End(const CameraInfoOptions& options, const char* status, const ToolError& error, int exit) {
    WriteText(OutputStream::Error, std::wstring(kTool) + L": " + error.message + L"\r\n");
    if (options.json) {
        WriteUtf8(OutputStream::Out, FormatEndedJson(status, error, options.watch, UtcNow()));
    }
    return exit;
}

int Refuse(const CameraInfoOptions& options) {
    return End(options, kUpdaterOpenName, ErrorFromLine(kTool, UpdaterRunningMessage(kTool)),
               kRefusedStatus);
}

int Interrupted(const CameraInfoOptions& options) {
    return End(options, kInterruptedName, {L"interrupted", std::nullopt}, kInterruptedStatus);
}

void PrintReport(const CameraIdentity& identity, const CameraInfoOptions& options) {
    if (options.json && options.watch) {
        WriteUtf8(OutputStream::Out, FormatReportLine(identity, UtcNow()));
    } else if (options.json) {
        WriteUtf8(OutputStream::Out, FormatReportJson(identity));
    } else {
        WriteText(OutputStream::Out, FormatReportText(identity));
    }
}

int StatusOf(CameraStatus status) {
    switch (status) {
        case CameraStatus::Identified:
            return kCleanStatus;
        case CameraStatus::NoCamera:
            return kNoCameraStatus;
        case CameraStatus::UnknownModel:
        case CameraStatus::QueryFailed:
        case CameraStatus::OpenRefused:
            break;
    }
    return kErrorStatus;
}

int Run(const CameraInfoOptions& options) {
    CameraSession session;
    if (session.updaterOpen()) {
        return Refuse(options);
    }
    if (!session.ok()) {
        return End(options, kLibraryNotStartedName,
                   SystemToolError(L"the library could not start", GetLastError()), kLibraryStatus);
    }
    CameraIdentity identity;
    switch (session.FindCamera(options.waitSeconds, BlockQuery::EveryModel, &identity)) {
        case CameraSession::Find::Interrupted:
            return Interrupted(options);
        case CameraSession::Find::UpdaterOpened:
            return Refuse(options);
        case CameraSession::Find::Done:
            break;
    }
    PrintReport(identity, options);
    if (!options.watch || identity.status != CameraStatus::Identified) {
        return StatusOf(identity.status);
    }
    switch (session.WaitForRemoval()) {
        case CameraSession::Watch::Removed:
            if (options.json) {
                WriteUtf8(OutputStream::Out, FormatRemovedLine(UtcNow()));
            } else {
                WriteText(OutputStream::Out, kRemovedText);
            }
            return StatusOf(identity.status);
        case CameraSession::Watch::Interrupted:
            WriteText(OutputStream::Error, std::wstring(kTool) + L": interrupted\r\n");
            return kInterruptedStatus;
        case CameraSession::Watch::NotStarted:
            break;
    }
    const ToolError error = SystemToolError(L"the removal watch could not start", GetLastError());
    WriteText(OutputStream::Error, std::wstring(kTool) + L": " + error.message + L"\r\n");
    return kLibraryStatus;
}

}  // namespace

int wmain() {
    return RunTool<CameraInfoOptions>(kTool, kCameraInfoUsage, kCameraInfoHelp,
                                      &ParseCameraInfoArguments, &Run);
}
