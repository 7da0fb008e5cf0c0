// TAVIKPackageCheck: what TAVIKUpdate would show and send for a package, with notes on what
// it would pass over or adjust, the images' digests and their manifest. Runs the updater's own
// walk and look-up.
#include <windows.h>

#include <string>
#include <vector>

#include "ConsoleOutput.h"
#include "PackageCheckOptions.h"
#include "PackageReport.h"
#include "PackageReportFormat.h"
#include "ToolCommandLine.h"
#include "ToolStatus.h"
#include "ToolVersion.h"

namespace {

constexpr wchar_t kTool[] = L"TAVIKPackageCheck";

}  // namespace

int wmain() {
    const std::vector<std::wstring> arguments = SplitArguments(GetCommandLineW());
    switch (FindToolRequest(arguments)) {
        case ToolRequest::Help:
            WriteText(OutputStream::Out, std::wstring(kPackageCheckUsage) + kPackageCheckHelp);
            return 0;
        case ToolRequest::Version:
            WriteText(OutputStream::Out, std::wstring(kTool) + L" " + kToolVersionText + L"\r\n");
            return 0;
        case ToolRequest::Run:
            break;
    }
    PackageCheckOptions options;
    std::wstring error;
    if (!ParsePackageCheckArguments(arguments, &options, &error)) {
        WriteText(OutputStream::Error,
                  std::wstring(kTool) + L": " + error + L"\r\n" + kPackageCheckUsage);
        return kUsageStatus;
    }
    const PackageReport report = CheckPackage(options.folder, options.writeManifest);
    if (options.json) {
        WriteUtf8(OutputStream::Out, FormatPackageJson(report));
    } else {
        WriteText(OutputStream::Out, FormatPackageText(report));
    }
    return ExitStatus(report);
}
