// Replaces one imported function of this test program for the lifetime of the object, so that a
// test can make a system call fail where the system would not.
#pragma once

#include <windows.h>

class ImportPatch {
public:
    // `dll` and `function` as this program imports them, e.g. "KERNEL32.dll", "CreateEventW".
    ImportPatch(const char* dll, const char* function, const void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    // True only when the replacement is in place: the import was found and its slot written.
    bool ok() const { return patched_; }

private:
    bool Write(void* value);
    void** slot_ = nullptr;
    void* original_ = nullptr;
    bool patched_ = false;
};
