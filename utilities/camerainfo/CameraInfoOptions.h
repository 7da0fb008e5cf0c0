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
    L"Waits for the camera (10 s by default) and reports its product code, model, the version\r\n"
    L"line as TAVIKUpdate shows it, and its transfer mode. --watch then waits until the camera\r\n"
    L"is removed; with --json it writes JSON Lines, one object per event. TAVIKInfo sends only\r\n"
    L"queries; the library writes control 0x3E when it opens the camera (0) and when it shuts\r\n"
    L"down (1). It refuses to run while TAVIKUpdate is open.\r\n"
    L"\r\n"
    L"Exit status: 0 identified, 1 no camera within the wait, 2 a model TAVIKUpdate does not\r\n"
    L"know, 3 a query failed, 64 a bad command line, 75 TAVIKUpdate is open, 130 interrupted.\r\n";

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParseCameraInfoArguments(const std::vector<std::wstring>& arguments,
                              CameraInfoOptions* options, std::wstring* error);
