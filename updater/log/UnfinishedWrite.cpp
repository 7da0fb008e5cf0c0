#include "UnfinishedWrite.h"

#include <windows.h>

#include "LogFormat.h"
#include "UniqueAny.h"

std::wstring UnfinishedWritePath(const std::wstring& logPath) {
    const size_t slash = logPath.find_last_of(L"\\/");
    const std::wstring folder = slash == std::wstring::npos ? L"" : logPath.substr(0, slash + 1);
    return folder + kUnfinishedWriteFileName;
}

bool MarkUnfinishedWrite(const std::wstring& path, const std::wstring& workingFolder) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    std::wstring text;
    text += L'\xFEFF';  // the log's own encoding, UTF-16LE with its byte-order mark
    text += FormatLogLine(now, L"TAVIKUpdate began writing firmware into the camera from " +
                                   workingFolder +
                                   L". If this file is still here, the write did not finish.");
    // Hidden: it stands on the operator's desktop only for the length of a write, and it is
    // the updater's to read, not the operator's.
    UniqueHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_WRITE_THROUGH, nullptr));
    if (!file) {
        return false;
    }
    const DWORD bytes = static_cast<DWORD>(text.size()) * static_cast<DWORD>(sizeof(wchar_t));
    DWORD written = 0;
    // Through to the disk before the first image leaves: a power cut must not take it back.
    return WriteFile(file.get(), text.data(), bytes, &written, nullptr) && written == bytes &&
           FlushFileBuffers(file.get());
}

bool UnfinishedWriteMarked(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

void ClearUnfinishedWrite(const std::wstring& path) {
    DeleteFileW(path.c_str());
}
