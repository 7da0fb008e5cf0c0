#pragma once

#include <string>
#include <string_view>

// A fresh, empty folder under the system's temporary folder, removed with all it holds when
// the object goes away.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::wstring& Path() const { return path_; }
    std::wstring PathOf(std::wstring_view name) const;

private:
    std::wstring path_;
};

// Whole-file helpers for checking what the code under test left behind. ReadBytes fails the
// current test (and returns empty) when the file cannot be read.
std::string ReadBytes(const std::wstring& path);
void WriteBytes(const std::wstring& path, std::string_view bytes);
bool FileExists(const std::wstring& path);
