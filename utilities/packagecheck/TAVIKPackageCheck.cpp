// TAVIKPackageCheck: what TAVIKUpdate would show and send for a package, with notes on what
// it would pass over or adjust. Runs the updater's own walk and file look-up.
#include <windows.h>

#include <string>
#include <vector>

#include "ConsoleOutput.h"
#include "PackageCheckOptions.h"
#include "PackageReport.h"

int wmain(int argc, wchar_t** argv) {
    const std::vector<std::wstring> arguments(argv + 1, argv + argc);
    PackageCheckOptions options;
    std::wstring error;
    if (!ParsePackageCheckArguments(arguments, &options, &error)) {
        WriteText(OutputStream::Error,
                  L"TAVIKPackageCheck: " + error + L"\r\n" + kPackageCheckUsage);
        return 2;
    }
    const PackageReport report = CheckPackage(options.folder);
    if (options.json) {
        WriteUtf8(OutputStream::Out, FormatPackageJson(report));
    } else {
        WriteText(OutputStream::Out, FormatPackageText(report));
    }
    return ExitStatus(report);
}
