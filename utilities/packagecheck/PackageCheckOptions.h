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
    L"usage: TAVIKPackageCheck [--json] [--write-manifest] [--camera [--wait SECONDS]]\r\n"
    L"                         [[--] FOLDER]\r\n"
    L"       TAVIKPackageCheck --help | --version\r\n";

inline constexpr wchar_t kPackageCheckHelp[] =
    L"\r\n"
    L"Reads FOLDER\\TAVIKUpdate.xml (FOLDER by default .\\UPDATEFILES) as TAVIKUpdate does and\r\n"
    L"prints what it would show and send, the SHA-256 of each image, and a note for everything\r\n"
    L"it would pass over or adjust. A TAVIKUpdate.sha256 in FOLDER is verified on every check;\r\n"
    L"--write-manifest writes it. --camera also waits for the camera (10 s by default;\r\n"
    L"--wait 0: only the library's first look) and tells what TAVIKUpdate would do with this\r\n"
    L"package on it, asking the camera what TAVIKUpdate asks but never switching its transfer\r\n"
    L"off; the library's start and shut-down write control 0x3E. It refuses to start the\r\n"
    L"library while TAVIKUpdate is open. A FOLDER that begins with - or / follows --.\r\n";

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParsePackageCheckArguments(const std::vector<std::wstring>& arguments,
                                PackageCheckOptions* options, std::wstring* error);
