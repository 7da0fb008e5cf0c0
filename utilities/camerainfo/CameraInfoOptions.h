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
    L"usage: TAVIKInfo [--wait SECONDS] [--watch] [--json]\r\n";

inline constexpr uint32_t kMaxWaitSeconds = 86400;

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParseCameraInfoArguments(const std::vector<std::wstring>& arguments,
                              CameraInfoOptions* options, std::wstring* error);
