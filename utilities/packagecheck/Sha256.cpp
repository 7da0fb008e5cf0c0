#include "Sha256.h"

#include <climits>
#include <vector>

namespace {

bool Succeeded(NTSTATUS status) {
    return status >= 0;
}

}  // namespace

Sha256::Sha256() {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!Succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
        return;
    }
    algorithm_.reset(algorithm);
    BCRYPT_HASH_HANDLE hash = nullptr;
    // The hash object's memory is CNG's own (Windows 7 and later).
    if (Succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0))) {
        hash_.reset(hash);
    }
}

void Sha256::Add(const void* data, size_t size) {
    const UCHAR* bytes = static_cast<const UCHAR*>(data);
    while (ok() && size > 0) {
        const ULONG chunk = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
        // CNG takes a non-const pointer but only reads.
        failed_ = !Succeeded(BCryptHashData(hash_.get(), const_cast<UCHAR*>(bytes), chunk, 0));
        bytes += chunk;
        size -= chunk;
    }
}

std::string Sha256::Finish() {
    UCHAR digest[32] = {};
    if (!ok() || !Succeeded(BCryptFinishHash(hash_.get(), digest, sizeof(digest), 0))) {
        failed_ = true;
        return std::string();
    }
    failed_ = true;  // a finished hash takes no more data
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const UCHAR byte : digest) {
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 0xF];
    }
    return hex;
}

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
