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
#include "ToolMain.h"
#include "ToolStatus.h"
#include "ToolVersion.h"
#include "UpdaterRunning.h"

namespace {

constexpr wchar_t kTool[] = L"TAVIKInfo";

int Refuse() {
    WriteText(OutputStream::Error, UpdaterRunningMessage(kTool));
    return kRefusedStatus;
}

int Interrupted() {
    WriteText(OutputStream::Error, std::wstring(kTool) + L": interrupted\r\n");
    return kInterruptedStatus;
}

void PrintReport(const CameraIdentity& identity, const CameraInfoOptions& options) {
    if (options.json && options.watch) {
        WriteUtf8(OutputStream::Out, FormatReportLine(identity, UtcNow()));
    } else if (options.json) {
        WriteUtf8(OutputStream::Out, FormatReportJson(identity));
    } else {
        WriteText(OutputStream::Out, FormatReportText(identity, options.waitSeconds));
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
            break;
    }
    return kErrorStatus;
}

int Run(const CameraInfoOptions& options) {
    CameraSession session;
    if (session.updaterOpen()) {
        return Refuse();
    }
    if (!session.ok()) {
        WriteText(OutputStream::Error, std::wstring(kTool) +
                                           L": the library could not start (system error " +
                                           std::to_wstring(GetLastError()) + L")\r\n");
        return kLibraryStatus;
    }
    CameraIdentity identity;
    switch (session.FindCamera(options.waitSeconds, BlockQuery::EveryModel, &identity)) {
        case CameraSession::Find::Interrupted:
            return Interrupted();
        case CameraSession::Find::UpdaterOpened:
            return Refuse();
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
            return Interrupted();
        case CameraSession::Watch::NotStarted:
            break;
    }
    WriteText(OutputStream::Error,
              std::wstring(kTool) + L": the removal watch could not start\r\n");
    return kLibraryStatus;
}

}  // namespace

int wmain() {
    return RunTool<CameraInfoOptions>(kTool, kCameraInfoUsage, kCameraInfoHelp,
                                      &ParseCameraInfoArguments, &Run);
}
