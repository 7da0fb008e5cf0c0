#include "CameraLibrary.h"

#include <windows.h>

#include "SystemErrorText.h"
#include "SystemLibrary.h"
#include "TAVIKUtilDll.h"
#include "ThisProgramPath.h"

namespace {

constexpr wchar_t kLibraryName[] = L"TAVIKUtilDll.dll";

// Set once, before the library's first call; the library's own threads only ever call back.
struct BoundFunctions {
    decltype(&OrvaneUtil_Init) init = nullptr;
    decltype(&OrvaneUtil_Uninit) uninit = nullptr;
    decltype(&OrvaneUtil_WatchConnection) watchConnection = nullptr;
    decltype(&OrvaneUtil_GetTrans) getTrans = nullptr;
    decltype(&OrvaneUtil_SetTrans) setTrans = nullptr;
    decltype(&OrvaneUtil_GetVersion) getVersion = nullptr;
    decltype(&OrvaneUtil_GetCtrlCurrent) getCtrlCurrent = nullptr;
    decltype(&OrvaneUtil_GetLastError) getLastError = nullptr;
};
BoundFunctions g_library;

// Every export is found, or none is used: empty, or the first one missing.
std::string Bind(HMODULE module, BoundFunctions* f) {
    std::string missing;
    BindProcedure(module, "OrvaneUtil_Init", &f->init, &missing);
    BindProcedure(module, "OrvaneUtil_Uninit", &f->uninit, &missing);
    BindProcedure(module, "OrvaneUtil_WatchConnection", &f->watchConnection, &missing);
    BindProcedure(module, "OrvaneUtil_GetTrans", &f->getTrans, &missing);
    BindProcedure(module, "OrvaneUtil_SetTrans", &f->setTrans, &missing);
    BindProcedure(module, "OrvaneUtil_GetVersion", &f->getVersion, &missing);
    BindProcedure(module, "OrvaneUtil_GetCtrlCurrent", &f->getCtrlCurrent, &missing);
    BindProcedure(module, "OrvaneUtil_GetLastError", &f->getLastError, &missing);
    return missing;
}

bool NotBound() {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return false;
}

}  // namespace

bool BindCameraLibrary(std::wstring* problem) {
    const std::wstring program = ThisProgramPath();
    const std::wstring path = program.substr(0, program.find_last_of(L"\\/") + 1) + kLibraryName;
    // A full path: nothing but this one file is taken, whatever the search order.
    const HMODULE module = LoadLibraryExW(path.c_str(), nullptr, 0);
    if (module == nullptr) {
        const DWORD error = GetLastError();
        *problem =
            error == ERROR_MOD_NOT_FOUND || error == ERROR_FILE_NOT_FOUND
                ? L"the camera library is missing: looked for " + path
                : L"the camera library " + path + L" cannot be loaded: " + SystemErrorText(error);
        return false;
    }
    BoundFunctions functions;
    const std::string missing = Bind(module, &functions);
    if (!missing.empty()) {
        *problem = L"the camera library " + path +
                   L" is not the one this tool belongs to: it has no " +
                   std::wstring(missing.begin(), missing.end());  // the names are ASCII
        FreeLibrary(module);
        return false;
    }
    g_library = functions;  // the module stays loaded for the rest of the run
    return true;
}

extern "C" {

bool ORVANE_API OrvaneUtil_Init(void* context, ConnectionCallback callback, bool flag) {
    return g_library.init != nullptr ? g_library.init(context, callback, flag) : NotBound();
}

void ORVANE_API OrvaneUtil_Uninit(void) {
    if (g_library.uninit != nullptr) {
        g_library.uninit();
    }
}

bool ORVANE_API OrvaneUtil_WatchConnection(void* context, ConnectionCallback callback) {
    return g_library.watchConnection != nullptr ? g_library.watchConnection(context, callback)
                                                : NotBound();
}

bool ORVANE_API OrvaneUtil_GetTrans(uint8_t* mode) {
    return g_library.getTrans != nullptr ? g_library.getTrans(mode) : NotBound();
}

bool ORVANE_API OrvaneUtil_SetTrans(uint8_t mode) {
    return g_library.setTrans != nullptr ? g_library.setTrans(mode) : NotBound();
}

bool ORVANE_API OrvaneUtil_GetVersion(VersionRecord* record) {
    return g_library.getVersion != nullptr ? g_library.getVersion(record) : NotBound();
}

bool ORVANE_API OrvaneUtil_GetCtrlCurrent(uint8_t ctrlId, void* buffer, uint32_t size) {
    return g_library.getCtrlCurrent != nullptr ? g_library.getCtrlCurrent(ctrlId, buffer, size)
                                               : NotBound();
}

bool ORVANE_API OrvaneUtil_GetLastError(uint32_t* code) {
    return g_library.getLastError != nullptr ? g_library.getLastError(code) : NotBound();
}

}  // extern "C"
