#include "ThisProgram.h"

#include "ThisProgramPath.h"

std::wstring ThisProgramFolder() {
    const std::wstring path = ThisProgramPath();
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
