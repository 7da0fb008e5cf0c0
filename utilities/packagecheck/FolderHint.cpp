#include "FolderHint.h"

#include <windows.h>

#include "PackageDescription.h"

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

std::wstring LastName(const std::wstring& path) {
    size_t at = path.size();
    while (at > 0 && !IsSeparator(path[at - 1]) && path[at - 1] != L':') {
        --at;
    }
    return path.substr(at);
}

bool IsFileAt(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

}  // namespace

std::wstring ParentFolder(const std::wstring& path) {
    size_t at = path.size() - LastName(path).size();
    std::wstring head = path.substr(0, at);
    if (head.empty()) {
        return L".";
    }
    // "C:\" and "\" stay as they are; "D:\Packs\" loses its separator.
    if (head.size() == 1 || (head.size() <= 3 && head[1] == L':')) {
        return head;
    }
    return IsSeparator(head.back()) ? head.substr(0, head.size() - 1) : head;
}

std::wstring FolderHint(const std::wstring& folder, const FolderFacts& facts) {
    const std::wstring parent = ParentFolder(folder);
    if (facts.isFile) {
        if (CompareStringOrdinal(LastName(folder).c_str(), -1, kPackageDescriptionName, -1, TRUE) ==
            CSTR_EQUAL) {
            return folder + L" is the description itself: pass its folder, " + parent;
        }
        return folder + L" is a file: pass the folder that holds " + kPackageDescriptionName;
    }
    if (facts.holdsPackageFolder) {
        return folder + L" is the updater's working folder: its package is " + folder +
               L"\\UPDATEFILES; pass that";
    }
    if (facts.parentHoldsDescription) {
        return (parent == L"." ? std::wstring(L"this folder") : parent) + L" holds " +
               kPackageDescriptionName + L": it is the package; pass " + parent;
    }
    return std::wstring();
}

FolderFacts LookAroundFolder(const std::wstring& folder) {
    FolderFacts facts;
    facts.isFile = IsFileAt(folder);
    facts.holdsPackageFolder =
        IsFileAt(folder + L"\\UPDATEFILES\\" + std::wstring(kPackageDescriptionName));
    facts.parentHoldsDescription =
        IsFileAt(ParentFolder(folder) + L"\\" + std::wstring(kPackageDescriptionName));
    return facts;
}
