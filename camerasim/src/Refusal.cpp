// Refused opens. Wine completes an open before the driver can answer it, so the refusal is
// made in the prefix instead: a folder in dosdevices named after the interface path shadows
// the device, and opening the path then fails with ERROR_ACCESS_DENIED.
#include <cwchar>

#include "CamSimControl.h"

namespace camsim {

namespace {

std::wstring Environment(const wchar_t* name) {
    DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
    if (size == 0) {
        return std::wstring();
    }
    std::wstring value(size, L'\0');
    DWORD n = GetEnvironmentVariableW(name, &value[0], size);
    if (n == 0 || n >= size) {
        return std::wstring();
    }
    value.resize(n);
    return value;
}

}  // namespace

std::wstring DosDevicesFolder() {
    // Wine hands its own environment to Windows programs; the prefix is a Unix path.
    std::wstring prefix = Environment(L"WINEPREFIX");
    if (prefix.empty()) {
        std::wstring home = Environment(L"HOME");
        if (home.empty()) {
            SetLastError(ERROR_ENVVAR_NOT_FOUND);
            return std::wstring();
        }
        prefix = home + L"/.wine";
    }
    std::wstring folder = L"\\\\?\\unix" + prefix + L"/dosdevices/";
    for (wchar_t& c : folder) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    return folder;
}

std::wstring RefusalFolder(uint32_t index) {
    const std::wstring folder = DosDevicesFolder();
    if (folder.empty()) {
        return folder;
    }
    wchar_t name[96];
    std::swprintf(name, 96, L"root#orvanecamsim#%04u#{99a46fb3-6e59-4e87-90da-f7d0c1803dfb}",
                  index);
    return folder + name;
}

}  // namespace camsim
