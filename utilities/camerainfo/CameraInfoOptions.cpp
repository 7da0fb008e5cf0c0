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
            if (i + 1 >= arguments.size()) {
                *error = L"--wait needs a number of seconds";
                return false;
            }
            if (!ParseWaitSeconds(arguments[++i], &parsed.waitSeconds)) {
                *error = L"--wait takes whole seconds from 0 to " +
                         std::to_wstring(kMaxWaitSeconds) + L", not \"" + arguments[i] + L"\"";
                return false;
            }
        } else {
            *error = L"unknown argument \"" + argument + L"\"";
            return false;
        }
    }
    *options = parsed;
    return true;
}
