#include "CommandLine.h"

#include <windows.h>
#include <shellapi.h>

#include "UniqueAny.h"

namespace fw {

namespace {

struct LocalBlockTraits {
    using Type = LPWSTR*;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type p) { return p != nullptr; }
    static void Close(Type p) { LocalFree(p); }
};

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

}  // namespace

std::wstring_view CommandLineTail(std::wstring_view commandLine) {
    std::size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        const std::size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !IsBlank(commandLine[i])) {
            ++i;
        }
    }
    while (i < commandLine.size() && IsBlank(commandLine[i])) {
        ++i;
    }
    return commandLine.substr(i);
}

CommandLineArguments ReadCommandLine(const wchar_t* commandLine) {
    CommandLineArguments result;
    if (commandLine == nullptr) {
        return result;
    }
    int count = 0;
    UniqueAny<LocalBlockTraits> argv(CommandLineToArgvW(commandLine, &count));
    if (argv) {
        result.count = count;
    }
    result.tail = std::wstring(CommandLineTail(commandLine));
    return result;
}

}  // namespace fw
