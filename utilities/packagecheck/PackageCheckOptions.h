// The command line of TAVIKPackageCheck.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "PackageDescription.h"

struct PackageCheckOptions {
    std::wstring folder = kPackageFolder;  // the package: its description and images
    bool json = false;
    bool writeManifest = false;
    bool camera = false;        // the package against the attached camera
    uint32_t waitSeconds = 10;  // how long --camera waits for it
};

inline constexpr wchar_t kPackageCheckUsage[] =
    L"usage: TAVIKPackageCheck [FOLDER] [--json] [--write-manifest] [--camera [--wait SECONDS]]\r\n"
    L"       TAVIKPackageCheck --help | --version\r\n";

inline constexpr wchar_t kPackageCheckHelp[] =
    L"\r\n"
    L"Reads FOLDER\\TAVIKUpdate.xml (FOLDER by default .\\UPDATEFILES) as TAVIKUpdate does and\r\n"
    L"prints what it would show and send, the SHA-256 of each image, and a note for everything\r\n"
    L"it would pass over or adjust. A TAVIKUpdate.sha256 in FOLDER is verified on every check;\r\n"
    L"--write-manifest writes it. --camera also waits for the camera (10 s by default) and\r\n"
    L"tells what TAVIKUpdate would do with this package on it; it refuses to run while\r\n"
    L"TAVIKUpdate is open.\r\n"
    L"\r\n"
    L"Exit status: 0 no error or warning, 1 warnings only, 2 an error, 3 no camera within the\r\n"
    L"wait (--camera), 64 a bad command line, 75 TAVIKUpdate is open, 130 interrupted.\r\n";

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParsePackageCheckArguments(const std::vector<std::wstring>& arguments,
                                PackageCheckOptions* options, std::wstring* error);
