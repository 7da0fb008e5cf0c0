// How TAVIKInfo says what it found: as text for a person, as JSON for a script, and as JSON
// Lines while it watches.
#pragma once

#include <cstdint>
#include <string>

#include "CameraIdentity.h"

std::wstring FormatReportText(const CameraIdentity& identity, uint32_t waitSeconds);

// One document, indented.
std::string FormatReportJson(const CameraIdentity& identity);

// The JSON Lines of --watch --json: each object on one line with "event" and "time" (UTC). The
// first is the report, with the document's fields; then the removal.
std::string FormatReportLine(const CameraIdentity& identity, const std::string& time);
std::string FormatRemovedLine(const std::string& time);

inline constexpr wchar_t kRemovedText[] = L"Camera removed\r\n";
