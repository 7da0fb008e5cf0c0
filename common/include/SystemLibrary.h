// System DLLs taken from the system folder only. Windows looks for a DLL that is not one of its
// "known DLLs" (xmllite.dll, bcrypt.dll) in the program's own folder first, so one left in a
// download folder or put on the same USB stick as the program would be loaded and run. Such a
// DLL is therefore never imported, only loaded here when it is needed. Header-only, for the
// library and the programs alike.
#pragma once

#include <windows.h>

#include <string>

// The system folder, without a trailing backslash; empty when Windows cannot tell it.
inline std::wstring SystemFolder() {
    std::wstring folder(MAX_PATH, L'\0');
    for (;;) {
        const UINT length = GetSystemDirectoryW(&folder[0], static_cast<UINT>(folder.size()));
        if (length == 0) {
            return std::wstring();
        }
        if (length < folder.size()) {
            folder.resize(length);
            return folder;
        }
        folder.resize(length);  // the size it needs, its terminating zero included
    }
}

// Loads `name` (a file name, no path) from the system folder; null, with the loader's error,
// when it cannot be had there. The DLLs it needs come from the system folder too.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) {
        return module;
    }
    // A Windows that does not know the flag (Vista, 7 without KB2533623): the full path, whose
    // own folder is then searched first for what the DLL needs.
    const std::wstring folder = SystemFolder();
    if (folder.empty()) {
        return nullptr;
    }
    return LoadLibraryExW((folder + L"\\" + name).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

// The export `name` of `module` as a function of type Function; null when it has none.
template <typename Function>
Function ProcedureOf(HMODULE module, const char* name) {
    if (module == nullptr) {
        return nullptr;
    }
    // Through void*: a FARPROC converted straight to another function type draws a warning.
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

// Sets `*slot` to the export `name` of `module`; notes the first export missing in `missing`,
// so a set of functions is bound whole or not at all.
template <typename Function>
void BindProcedure(HMODULE module, const char* name, Function* slot, std::string* missing) {
    *slot = ProcedureOf<Function>(module, name);
    if (*slot == nullptr && missing->empty()) {
        missing->assign(name);
    }
}

// For the rest of the process, a DLL loaded by name, by the program or by a system DLL on its
// behalf, comes from the system folder only. A program calls it first thing; a library never
// does, as the process is its caller's. False on a Windows without the call.
inline bool LoadLibrariesFromSystemFolderOnly() {
    using SetDefaultDirectories = BOOL(WINAPI*)(DWORD);
    const auto set = ProcedureOf<SetDefaultDirectories>(GetModuleHandleW(L"kernel32.dll"),
                                                        "SetDefaultDllDirectories");
    return set != nullptr && set(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}
