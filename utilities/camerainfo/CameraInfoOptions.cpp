#include "CameraInfoOptions.h"

#include "ToolCommandLine.h"

bool ParseCameraInfoArguments(const std::vector<std::wstring>& arguments,
                              CameraInfoOptions* options, std::wstring* error) {
    CameraInfoOptions parsed;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::wstring& argument = arguments[i];
        if (argument == L"--watch") {
            parsed.watch = true;
        } else if (argument == L"--json") {
            parsed.json = true;
        } else if (argument == L"--wait") {
            if (!TakeWaitArgument(arguments, &i, &parsed.waitSeconds, error)) {
                return false;
            }
        } else {
            *error = UnknownOptionError(argument, {L"watch", L"json", L"wait", L"version"});
            return false;
        }
    }
    *options = parsed;
    return true;
}
