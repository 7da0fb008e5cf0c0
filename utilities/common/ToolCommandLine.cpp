#include "ToolCommandLine.h"

#include <cwctype>

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

std::wstring Lowered(std::wstring text) {
    for (wchar_t& c : text) {
        c = static_cast<wchar_t>(std::towlower(c));
    }
    return text;
}

// Help is never refused: the Unix forms as they are, the Windows ones in any letter case.
bool IsHelpArgument(const std::wstring& argument) {
    if (argument == L"-?" || argument == L"-h" || argument == L"--help") {
        return true;
    }
    const std::wstring lowered = Lowered(argument);
    return lowered == L"/?" || lowered == L"/h" || lowered == L"/help";
}

}  // namespace

std::vector<std::wstring> SplitArguments(std::wstring_view commandLine) {
    size_t i = 0;
    // The program's name: quoted up to the next quote, or up to the first blank.
    bool quoted = false;
    for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
        if (commandLine[i] == L'"') {
            quoted = !quoted;
        }
    }
    std::vector<std::wstring> arguments;
    for (;;) {
        while (i < commandLine.size() && IsBlank(commandLine[i])) {
            ++i;
        }
        if (i == commandLine.size()) {
            return arguments;
        }
        std::wstring argument;
        quoted = false;
        for (; i < commandLine.size() && (quoted || !IsBlank(commandLine[i])); ++i) {
            if (commandLine[i] == L'"') {
                quoted = !quoted;
            } else {
                argument += commandLine[i];
            }
        }
        arguments.push_back(std::move(argument));
    }
}

ToolRequest FindToolRequest(const std::vector<std::wstring>& arguments) {
    ToolRequest request = ToolRequest::Run;
    for (const std::wstring& argument : arguments) {
        if (argument == L"--") {
            break;  // a folder follows, whatever its name
        }
        if (IsHelpArgument(argument)) {
            return ToolRequest::Help;
        }
        if (argument == L"--version") {
            request = ToolRequest::Version;
        }
    }
    return request;
}

bool ParseWaitSeconds(const std::wstring& text, uint32_t* seconds) {
    // "5s" or "-1" are mistakes, not 5 or 0.
    if (text.empty() || text.size() > 6) {
        return false;
    }
    uint32_t value = 0;
    for (wchar_t c : text) {
        if (c < L'0' || c > L'9') {
            return false;
        }
        value = value * 10 + static_cast<uint32_t>(c - L'0');
    }
    if (value > kMaxWaitSeconds) {
        return false;
    }
    *seconds = value;
    return true;
}

bool TakeWaitArgument(const std::vector<std::wstring>& arguments, size_t* at, uint32_t* seconds,
                      std::wstring* error) {
    if (*at + 1 >= arguments.size()) {
        *error = L"--wait needs a number of seconds";
        return false;
    }
    const std::wstring& value = arguments[++*at];
    if (!ParseWaitSeconds(value, seconds)) {
        *error = L"--wait takes whole seconds from 0 to " + std::to_wstring(kMaxWaitSeconds) +
                 L", not \"" + value + L"\"";
        return false;
    }
    return true;
}

bool AsksForJson(const std::vector<std::wstring>& arguments) {
    for (const std::wstring& argument : arguments) {
        if (argument == L"--") {
            return false;
        }
        if (argument == L"--json") {
            return true;
        }
    }
    return false;
}

std::wstring UnknownOptionError(const std::wstring& argument,
                                std::initializer_list<const wchar_t*> longOptions) {
    const size_t nameAt = argument.find_first_not_of(L"-/");
    const std::wstring name = Lowered(argument.substr(nameAt == std::wstring::npos ? 0 : nameAt));
    for (const wchar_t* option : longOptions) {
        if (name == option) {
            return L"unknown option \"" + argument + L"\": did you mean --" + option + L"?";
        }
    }
    return L"unknown option \"" + argument + L"\"";
}
