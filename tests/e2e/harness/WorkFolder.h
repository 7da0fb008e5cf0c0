// A fresh working folder for one run of the updater: the program and its library copied from
// beside the running program, and an UPDATEFILES folder for the package. Removed, with all it
// holds, when the object goes away (after the updater has ended).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace e2e {

constexpr const wchar_t* kUpdaterProgram = L"TAVIKUpdate.exe";
constexpr const wchar_t* kUpdaterLibrary = L"TAVIKUtilDll.dll";

class WorkFolder {
public:
    WorkFolder();
    ~WorkFolder();
    WorkFolder(const WorkFolder&) = delete;
    WorkFolder& operator=(const WorkFolder&) = delete;

    // Makes the folder and UPDATEFILES in it. `programs` copies the updater and its library;
    // false, with problem() saying why, when something is missing.
    bool Create(bool programs = true);
    const std::string& problem() const { return problem_; }

    const std::wstring& Path() const { return path_; }
    std::wstring ProgramPath() const { return path_ + L"\\" + kUpdaterProgram; }
    std::wstring PackagePath(const std::wstring& name) const;  // ...\UPDATEFILES\name

    bool WriteDescription(const std::string& bytes) const;
    bool WriteImage(const std::wstring& name, const std::vector<uint8_t>& bytes) const;
    // An image of `size` bytes that takes no room on the disk: its length set, nothing written.
    bool WriteSparseImage(const std::wstring& name, uint64_t size) const;
    // An image whose read ends before its size: a symbolic link to a kernel attribute file,
    // which reports a page's size and gives a few bytes. Wine only: it runs the system's ln
    // as it runs any Unix program.
    bool LinkShortImage(const std::wstring& name) const;

private:
    std::wstring path_;
    std::string problem_;
};

}  // namespace e2e
