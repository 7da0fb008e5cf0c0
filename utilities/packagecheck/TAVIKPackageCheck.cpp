// TAVIKPackageCheck: what TAVIKUpdate would show and send for a package, with notes on what
// it would pass over or adjust, the images' digests and their manifest; with --camera, what it
// would do with the package on the attached camera. Runs the updater's own walk and look-up.
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "CameraLibrary.h"
#include "CameraSession.h"
#include "ConsoleOutput.h"
#include "PackageCheckOptions.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"
#include "ToolError.h"
#include "ToolMain.h"
#include "ToolStatus.h"
#include "ToolVersion.h"
#include "UpdaterRunning.h"

namespace {

constexpr wchar_t kTool[] = L"TAVIKPackageCheck";

void Print(const PackageReport& report, const PackageCheckOptions& options) {
    if (options.json) {
        WriteUtf8(OutputStream::Out, FormatPackageJson(report));
    } else {
        WriteText(OutputStream::Out, FormatPackageText(report));
    }
}

void NotReached(PackageReport& report, const char* status, int exitStatus, ToolError error) {
    report.cameraNotReached = CameraNotReached{status, exitStatus, std::move(error)};
}

void UpdaterOpen(PackageReport& report) {
    NotReached(report, kUpdaterOpenName, kRefusedStatus,
               ErrorFromLine(kTool, UpdaterRunningMessage(kTool)));
}

// What the updater would do with the package on the attached camera, or why the camera was not
// reached.
void CheckOnCamera(PackageReport& report, uint32_t waitSeconds) {
    std::wstring missingLibrary;
    if (!BindCameraLibrary(&missingLibrary)) {
        NotReached(report, kLibraryNotStartedName, kLibraryStatus, {missingLibrary, std::nullopt});
        return;
    }
    CameraSession session;
    if (session.updaterOpen()) {
        UpdaterOpen(report);
        return;
    }
    if (!session.ok()) {
        NotReached(report, kLibraryNotStartedName, kLibraryStatus,
                   SystemToolError(L"the library could not start", GetLastError()));
        return;
    }
    CameraIdentity identity;
    switch (session.FindCamera(waitSeconds, BlockQuery::AsTheUpdater, &identity)) {
        case CameraSession::Find::Interrupted:
            NotReached(report, kInterruptedName, kInterruptedStatus,
                       {L"interrupted", std::nullopt});
            return;
        case CameraSession::Find::UpdaterOpened:
            UpdaterOpen(report);
            return;
        case CameraSession::Find::Done:
            break;
    }
    AddCameraVerdict(report, JudgeOnCamera(report, identity, waitSeconds));
}

// The package is checked and reported whatever happens with the camera; the library starts only
// after it was read, with a last look for TAVIKUpdate just before.
int Run(const PackageCheckOptions& options) {
    PackageReport report = CheckPackage(options.folder, options.writeManifest);
    if (options.camera) {
        CheckOnCamera(report, options.waitSeconds);
    }
    if (report.cameraNotReached) {
        WriteText(OutputStream::Error,
                  std::wstring(kTool) + L": " + report.cameraNotReached->error.message + L"\r\n");
    }
    Print(report, options);
    return ExitStatus(report);
}

}  // namespace

int wmain() {
    return RunTool<PackageCheckOptions>(kTool, kPackageCheckUsage, kPackageCheckHelp,
                                        &ParsePackageCheckArguments, &Run);
}
