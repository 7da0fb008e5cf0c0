// The time stamps of TAVIKInfo's JSON Lines.
#pragma once

#include <windows.h>

#include <string>

// ISO 8601 in UTC with milliseconds: 2025-03-01T09:15:02.417Z.
std::string FormatUtcTime(const SYSTEMTIME& utc);
std::string UtcNow();
