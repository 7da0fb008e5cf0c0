// The command line of TAVIKInfo.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct CameraInfoOptions {
    uint32_t waitSeconds = 10;  // how long to wait for the camera
    bool watch = false;         // then report the camera's removal
    bool json = false;
};

inline constexpr wchar_t kCameraInfoUsage[] =
    L"usage: TAVIKInfo [--wait SECONDS] [--watch] [--json]\r\n"
    L"       TAVIKInfo --help | --version\r\n";

inline constexpr wchar_t kCameraInfoHelp[] =
    L"\r\n"
    L"Waits for the camera (10 s by default; --wait 0: only the library's first look) and\r\n"
    L"reports its product code, model, the version line as TAVIKUpdate shows it, and its\r\n"
    L"transfer mode. --watch then waits until the camera is removed; with --json it writes\r\n"
    L"JSON Lines, one object per event. TAVIKInfo asks what TAVIKUpdate asks, in its order,\r\n"
    L"but never switches the transfer off; the library writes control 0x3E when it opens\r\n"
    L"the camera (0) and when it shuts down (1). It refuses to start the library while\r\n"
    L"TAVIKUpdate is open.\r\n";

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParseCameraInfoArguments(const std::vector<std::wstring>& arguments,
                              CameraInfoOptions* options, std::wstring* error);
