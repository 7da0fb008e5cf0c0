#include "ThisProgram.h"

#include <windows.h>

std::wstring ThisProgramFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
        if (length == 0) {
            return {};
        }
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);  // cut short: the path is longer than the buffer
    }
    const std::size_t folderEnd = path.find_last_of(L'\\');
    if (folderEnd == std::wstring::npos) {
        return {};
    }
    return path.substr(0, folderEnd);
}

std::wstring BesideThisProgram(const wchar_t* name) {
    const std::wstring folder = ThisProgramFolder();
    return folder.empty() ? folder : folder + L"\\" + name;
}
