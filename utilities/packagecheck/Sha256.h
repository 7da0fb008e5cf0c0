// SHA-256 through the platform's own cryptography (CNG), never a hash of our own.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <cstddef>
#include <string>

#include "UniqueAny.h"

struct AlgorithmProviderTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptCloseAlgorithmProvider(h, 0); }
};

struct HashObjectTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { BCryptDestroyHash(h); }
};

class Sha256 {
public:
    Sha256();
    bool ok() const { return static_cast<bool>(hash_) && !failed_; }
    void Add(const void* data, size_t size);
    // The digest as 64 lowercase hexadecimal digits; empty after any failure. Once only.
    std::string Finish();

private:
    UniqueAny<AlgorithmProviderTraits> algorithm_;
    UniqueAny<HashObjectTraits> hash_;
    bool failed_ = false;
};

// The digest of a file's bytes as they lie on disk. False when it cannot be read whole, with
// the system error in `error` where one said why (else 0).
bool Sha256OfFile(const std::wstring& path, std::string* hex, DWORD* error = nullptr);
