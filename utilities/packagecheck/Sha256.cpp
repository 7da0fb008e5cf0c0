#include "Sha256.h"

#include <vector>

#include "UniqueAny.h"

bool Sha256OfFile(const std::wstring& path, std::string* hex, DWORD* error) {
    DWORD unused = 0;
    DWORD& why = error != nullptr ? *error : unused;
    why = 0;
    const UniqueHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file) {
        why = GetLastError();
        return false;
    }
    Sha256 sha;
    std::vector<char> buffer(1 << 16);
    DWORD read = 0;
    for (;;) {
        if (!ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read,
                      nullptr)) {
            why = GetLastError();
            return false;
        }
        if (read == 0) {
            break;
        }
        sha.Add(buffer.data(), read);
    }
    *hex = sha.Finish();
    return !hex->empty();
}
