// How TAVIKInfo says what it found: as text for a person, as JSON for a script, and as JSON
// Lines while it watches.
#pragma once

#include <cstdint>
#include <string>

#include "CameraIdentity.h"
#include "ToolError.h"

// The report, or for a camera that could not be reached why not; a line naming the camera
// reported where several are attached.
std::wstring FormatReportText(const CameraIdentity& identity);

// One document, indented.
std::string FormatReportJson(const CameraIdentity& identity);

// The JSON Lines of --watch --json: each object on one line with "event" and "time" (UTC). The
// first is the report, with the document's fields; then the removal.
std::string FormatReportLine(const CameraIdentity& identity, const std::string& time);
std::string FormatRemovedLine(const std::string& time);

// The document (or with --watch its one line) of a run that ended before the camera was looked
// at: TAVIKUpdate open, the library not started, Ctrl+C. The camera's fields are null, `status`
// says what ended it and `error` why.
std::string FormatEndedJson(const char* status, const ToolError& error, bool watch,
                            const std::string& time);

inline constexpr wchar_t kRemovedText[] = L"Camera removed\r\n";
