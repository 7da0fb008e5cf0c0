#include "PackageCheckOptions.h"

#include "ToolCommandLine.h"

bool ParsePackageCheckArguments(const std::vector<std::wstring>& arguments,
                                PackageCheckOptions* options, std::wstring* error) {
    PackageCheckOptions parsed;
    bool haveFolder = false;
    bool haveWait = false;
    bool optionsEnded = false;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        const bool option =
            !optionsEnded && !argument.empty() && (argument[0] == L'-' || argument[0] == L'/');
        if (!option) {
            if (argument.empty()) {
                *error = L"the folder is empty";
                return false;
            }
            if (haveFolder) {
                *error = L"one folder only, not also \"" + argument + L"\"";
                return false;
            }
            parsed.folder = argument;
            haveFolder = true;
        } else if (argument == L"--") {
            optionsEnded = true;
        } else if (argument == L"--json") {
            parsed.json = true;
        } else if (argument == L"--write-manifest") {
            parsed.writeManifest = true;
        } else if (argument == L"--camera") {
            parsed.camera = true;
        } else if (argument == L"--wait") {
            if (!TakeWaitArgument(arguments, &i, &parsed.waitSeconds, error)) {
                return false;
            }
            haveWait = true;
        } else {
            // "-json" or "/json" is a mistake, not a folder: one that begins so follows "--".
            *error = UnknownOptionError(
                         argument, {L"json", L"write-manifest", L"camera", L"wait", L"version"}) +
                     L" (a folder that begins with - or / follows --)";
            return false;
        }
    }
    if (haveWait && !parsed.camera) {
        *error = L"--wait goes with --camera";
        return false;
    }
    // The description and the images are named relative to the folder.
    while (parsed.folder.size() > 1 &&
           (parsed.folder.back() == L'\\' || parsed.folder.back() == L'/') &&
           parsed.folder[parsed.folder.size() - 2] != L':') {
        parsed.folder.pop_back();
    }
    *options = parsed;
    return true;
}
