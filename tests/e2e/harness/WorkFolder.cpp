#include "WorkFolder.h"

#include <windows.h>

#include "ThisProgram.h"
#include "DesktopLog.h"
#include "FolderTree.h"
#include "UniqueAny.h"
#include "Wait.h"

namespace e2e {

namespace {

std::string Narrow(const std::wstring& text) {
    std::string narrow;
    for (wchar_t c : text) {
        narrow.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return narrow;
}

}  // namespace

WorkFolder::WorkFolder() = default;

WorkFolder::~WorkFolder() {
    if (!path_.empty()) {
        RemoveFolderTree(path_);
    }
}

bool WorkFolder::Create(bool programs) {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        problem_ = "no temporary folder, error " + std::to_string(GetLastError());
        return false;
    }
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
        const std::wstring candidate = std::wstring(temp) + L"tavik-e2e-" +
                                       std::to_wstring(GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(InterlockedIncrement(&counter));
        if (CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
        }
    }
    if (path_.empty()) {
        problem_ = "no working folder could be made";
        return false;
    }
    if (!CreateDirectoryW((path_ + L"\\UPDATEFILES").c_str(), nullptr)) {
        problem_ = "no UPDATEFILES folder, error " + std::to_string(GetLastError());
        return false;
    }
    if (!programs) {
        return true;
    }
    const std::wstring source = ThisProgramFolder();
    for (const wchar_t* name : {kUpdaterProgram, kUpdaterLibrary}) {
        const std::wstring from = source + L"\\" + name;
        if (!CopyFileW(from.c_str(), (path_ + L"\\" + name).c_str(), TRUE)) {
            problem_ = "cannot copy " + Narrow(from) + ", error " + std::to_string(GetLastError());
            return false;
        }
    }
    return true;
}

std::wstring WorkFolder::PackagePath(const std::wstring& name) const {
    return path_ + L"\\UPDATEFILES\\" + name;
}

bool WorkFolder::WriteDescription(const std::string& bytes) const {
    return WriteFileBytes(PackagePath(L"TAVIKUpdate.xml"),
                          std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

bool WorkFolder::WriteImage(const std::wstring& name, const std::vector<uint8_t>& bytes) const {
    return WriteFileBytes(PackagePath(name), bytes);
}

bool WorkFolder::WriteSparseImage(const std::wstring& name, uint64_t size) const {
    UniqueHandle file(CreateFileW(PackagePath(name).c_str(), GENERIC_WRITE, 0, nullptr,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER end;
    end.QuadPart = static_cast<LONGLONG>(size);
    return file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) &&
           SetEndOfFile(file.get());
}

bool WorkFolder::LinkShortImage(const std::wstring& name) const {
    const std::wstring folder = path_ + L"\\UPDATEFILES";
    std::wstring line = L"ln -s /sys/kernel/uevent_seqnum \"" + name + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION info = {};
    // Wine gives no handle of a Unix program it started, so the link is waited for.
    if (!CreateProcessW(L"Z:\\bin\\ln", &line[0], nullptr, nullptr, FALSE, 0, nullptr,
                        folder.c_str(), &startup, &info)) {
        return false;
    }
    UniqueHandle process(info.hProcess);
    UniqueHandle thread(info.hThread);
    const std::wstring path = PackagePath(name);
    return WaitUntil([&] { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; },
                     5000);
}

}  // namespace e2e
