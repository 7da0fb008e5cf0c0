// The program's command line as the application object reports it.
#pragma once

#include <string>
#include <string_view>

namespace fw {

// The text after the program name, as CommandLineToArgvW delimits the name: a name that starts
// with a quotation mark runs to the next one (backslashes are no escapes there), any other name
// to the first space or tab. The spaces and tabs that follow the name are passed over; the rest
// is returned unchanged.
std::wstring_view CommandLineTail(std::wstring_view commandLine);

struct CommandLineArguments {
    int count = 0;  // arguments, the program name included; 0 if the system could not split it
    std::wstring tail;
};

// Splits `commandLine` with CommandLineToArgvW for the count, and takes its tail.
CommandLineArguments ReadCommandLine(const wchar_t* commandLine);

}  // namespace fw
