// What both tools make of their command lines before their own options.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

// The arguments after the program's name. A double quote only opens or closes quoting and a
// backslash is always itself, so that a quoted folder may end in a backslash:
// "D:\Service Packs\ZP-Na7\" --json is that folder and --json, where the C runtime's rule (\" is
// a quote) would run the folder on into the options. No folder name holds a double quote.
std::vector<std::wstring> SplitArguments(std::wstring_view commandLine);

enum class ToolRequest { Run, Help, Version };

// Before "--": /?, -?, -h, /h, --help or /help (the slash forms in any letter case) asks for the
// help; else --version for the version.
ToolRequest FindToolRequest(const std::vector<std::wstring>& arguments);

// --json before "--": a bad command line is then answered in JSON too.
bool AsksForJson(const std::vector<std::wstring>& arguments);

// The complaint about an option the tool does not know. Where it is one of `longOptions` (names
// without dashes) written the Windows way or with one dash (/json, -Camera), it names the right
// spelling.
std::wstring UnknownOptionError(const std::wstring& argument,
                                std::initializer_list<const wchar_t*> longOptions);

inline constexpr uint32_t kMaxWaitSeconds = 86400;

// The value of --wait: whole seconds from 0 to kMaxWaitSeconds, digits only.
bool ParseWaitSeconds(const std::wstring& text, uint32_t* seconds);

// --wait at arguments[*at] and its value after it: *at moves onto the value. False, with the
// complaint in *error, when the value is missing or not whole seconds in range.
bool TakeWaitArgument(const std::vector<std::wstring>& arguments, size_t* at, uint32_t* seconds,
                      std::wstring* error);
