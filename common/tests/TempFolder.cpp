#include "TempFolder.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "FolderTree.h"
#include "UniqueAny.h"

TempFolder::TempFolder() {
    wchar_t temp[MAX_PATH + 1] = {};
    const DWORD length = ::GetTempPathW(MAX_PATH + 1, temp);
    if (length == 0 || length > MAX_PATH) {
        ADD_FAILURE() << "GetTempPathW failed: " << ::GetLastError();
        return;
    }
    static LONG counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::wstring candidate = std::wstring(temp) + L"tavik-updater-" +
                                       std::to_wstring(::GetCurrentProcessId()) + L"-" +
                                       std::to_wstring(::InterlockedIncrement(&counter));
        if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
            path_ = candidate;
            return;
        }
    }
    ADD_FAILURE() << "no temporary folder could be made";
}

TempFolder::~TempFolder() {
    if (!path_.empty()) {
        RemoveFolderTree(path_);
    }
}

std::wstring TempFolder::PathOf(std::wstring_view name) const {
    return path_ + L"\\" + std::wstring(name);
}

std::string ReadBytes(const std::wstring& path) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        ADD_FAILURE() << "cannot open for reading, error " << ::GetLastError();
        return {};
    }
    std::string bytes;
    char chunk[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), chunk, sizeof(chunk), &got, nullptr) && got != 0) {
        bytes.append(chunk, got);
    }
    return bytes;
}

void WriteBytes(const std::wstring& path, std::string_view bytes) {
    UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(file) << "cannot create, error " << ::GetLastError();
    DWORD written = 0;
    ASSERT_TRUE(
        ::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
}

bool FileExists(const std::wstring& path) {
    return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}
