// Another program on the camera's library, beside the updater: the test's own process loads
// TAVIKUtilDll.dll from beside the test program and calls it as a third party would.
#pragma once

#include <windows.h>

#include "TAVIKUtilDll.h"
#include "UniqueAny.h"

namespace e2e {

class LibraryClient {
public:
    LibraryClient();   // ok() tells whether the library and its exports were found
    ~LibraryClient();  // shuts the library down if it was started, then unloads it
    LibraryClient(const LibraryClient&) = delete;
    LibraryClient& operator=(const LibraryClient&) = delete;

    bool ok() const { return init_ != nullptr; }

    // Starts the library's search for the camera; Connected() tells when it called back.
    bool Init();
    bool Connected(DWORD timeoutMs = 0) const;  // widened by the time scale
    void Uninit();

    // A request on the connection, and the thread's system error after it.
    bool GetVersion(VersionRecord* record, DWORD* error) const;

private:
    struct ModuleTraits {
        using Type = HMODULE;
        static Type Empty() { return nullptr; }
        static bool IsValid(Type h) { return h != nullptr; }
        static void Close(Type h) { FreeLibrary(h); }
    };

    UniqueAny<ModuleTraits> library_;
    UniqueHandle connected_;
    bool started_ = false;
    decltype(&OrvaneUtil_Init) init_ = nullptr;
    decltype(&OrvaneUtil_Uninit) uninit_ = nullptr;
    decltype(&OrvaneUtil_GetVersion) getVersion_ = nullptr;
};

}  // namespace e2e
