// Why a tool's run, or its look at the camera, came to nothing: one line for a person on
// standard error, and the same for a script in the JSON, with the system error behind it.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

struct ToolError {
    std::wstring message;          // one line, without the tool's name
    std::optional<uint32_t> code;  // the system error behind it, where there is one
};

// "what: Access is denied. (system error 5)", with the code kept.
ToolError SystemToolError(const std::wstring& what, DWORD code);

// A line a tool writes on standard error ("TAVIKInfo: ...\r\n") as its message.
ToolError ErrorFromLine(const wchar_t* tool, const std::wstring& line);

// {"code", "message", "words"}: the number and the system's words for it null where there is
// no system error; null where there is no error.
nlohmann::ordered_json ErrorJson(const std::optional<ToolError>& error);

// What every JSON document of the tools begins with: schemaVersion and toolVersion.
nlohmann::ordered_json DocumentHeader();

// The whole document of a run that produced nothing else (a bad command line, say).
std::string ErrorDocument(const char* status, const ToolError& error);
