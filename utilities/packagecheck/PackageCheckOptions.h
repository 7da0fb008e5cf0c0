// The command line of TAVIKPackageCheck.
#pragma once

#include <string>
#include <vector>

#include "PackageDescription.h"

struct PackageCheckOptions {
    std::wstring folder = kPackageFolder;  // the package: its description and images
    bool json = false;
};

inline constexpr wchar_t kPackageCheckUsage[] = L"usage: TAVIKPackageCheck [FOLDER] [--json]\r\n";

// `arguments` without the program name. False with `error` set on a bad command line.
bool ParsePackageCheckArguments(const std::vector<std::wstring>& arguments,
                                PackageCheckOptions* options, std::wstring* error);
