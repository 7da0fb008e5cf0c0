// How the package checker says what it found: text for a person, one JSON document for a script.
#pragma once

#include <string>

#include "PackageReport.h"

std::wstring FormatPackageText(const PackageReport& report);
std::string FormatPackageJson(const PackageReport& report);
