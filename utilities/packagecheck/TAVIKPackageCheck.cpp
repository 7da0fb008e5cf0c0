// TAVIKPackageCheck: what TAVIKUpdate would show and send for a package, with notes on what
// it would pass over or adjust, the images' digests and their manifest; with --camera, what it
// would do with the package on the attached camera. Runs the updater's own walk and look-up.
#include <windows.h>

#include <string>
#include <vector>

#include "CameraLibrary.h"
#include "CameraSession.h"
#include "ConsoleOutput.h"
#include "PackageCheckOptions.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"
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

int Refuse() {
    WriteText(OutputStream::Error, UpdaterRunningMessage(kTool));
    return kRefusedStatus;
}

int Run(const PackageCheckOptions& options) {
    // Refused before the images are read, and again by the session just before the library
    // starts: the updater may open while the images are read.
    if (options.camera && UpdaterRunning()) {
        return Refuse();
    }
    PackageReport report = CheckPackage(options.folder, options.writeManifest);
    if (!options.camera) {
        Print(report, options);
        return ExitStatus(report);
    }
    std::wstring missingLibrary;
    if (!BindCameraLibrary(&missingLibrary)) {
        WriteText(OutputStream::Error, std::wstring(kTool) + L": " + missingLibrary + L"\r\n");
        return kLibraryStatus;
    }
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
    switch (session.FindCamera(options.waitSeconds, BlockQuery::AsTheUpdater, &identity)) {
        case CameraSession::Find::Interrupted:
            WriteText(OutputStream::Error, std::wstring(kTool) + L": interrupted\r\n");
            return kInterruptedStatus;
        case CameraSession::Find::UpdaterOpened:
            return Refuse();
        case CameraSession::Find::Done:
            break;
    }
    AddCameraVerdict(report, JudgeOnCamera(report, identity, options.waitSeconds));
    Print(report, options);
    return identity.status == CameraStatus::NoCamera ? kNoCameraStatus : ExitStatus(report);
}

}  // namespace

int wmain() {
    return RunTool<PackageCheckOptions>(kTool, kPackageCheckUsage, kPackageCheckHelp,
                                        &ParsePackageCheckArguments, &Run);
}
