// The start both tools share: the help and the version answered, the command line read into the
// tool's options or refused with the usage status, then the tool run.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "ConsoleOutput.h"
#include "SystemLibrary.h"
#include "ToolCommandLine.h"
#include "ToolError.h"
#include "ToolStatus.h"
#include "ToolVersion.h"

template <typename Options>
int RunTool(const wchar_t* tool, const wchar_t* usage, const wchar_t* help,
            bool (*parse)(const std::vector<std::wstring>&, Options*, std::wstring*),
            int (*run)(const Options&)) {
    // Before anything else: a DLL loaded by name from now on never comes from the tool's folder.
    LoadLibrariesFromSystemFolderOnly();
    ReserveStandardOutput();
    const std::vector<std::wstring> arguments = SplitArguments(GetCommandLineW());
    switch (FindToolRequest(arguments)) {
        case ToolRequest::Help:
            WriteText(OutputStream::Out, std::wstring(usage) + help + L"\r\n" + kExitStatusTable +
                                             L"\r\n" + kRedirectedOutputHelp);
            return 0;
        case ToolRequest::Version:
            WriteText(OutputStream::Out, std::wstring(tool) + L" " + kToolVersionText + L"\r\n");
            return 0;
        case ToolRequest::Run:
            break;
    }
    Options options;
    std::wstring error;
    if (!parse(arguments, &options, &error)) {
        WriteText(OutputStream::Error, std::wstring(tool) + L": " + error + L"\r\n" + usage);
        if (AsksForJson(arguments)) {
            WriteUtf8(OutputStream::Out, ErrorDocument(kBadCommandLine, {error, std::nullopt}));
        }
        return kUsageStatus;
    }
    return run(options);
}
