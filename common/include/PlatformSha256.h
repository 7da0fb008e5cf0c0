// SHA-256 through the platform's own cryptography (CNG), never a hash of our own. bcrypt.dll is
// not a known DLL: it is loaded from the system folder, when a digest is first wanted, and never
// imported. Header-only, for the library and the programs alike.
#pragma once

#include <windows.h>
#include <bcrypt.h>

#include <climits>
#include <cstddef>
#include <string>

#include "SystemLibrary.h"
#include "UniqueAny.h"

// The CNG functions a digest needs; all null when bcrypt.dll or one of them cannot be had.
struct CngFunctions {
    decltype(&BCryptOpenAlgorithmProvider) open = nullptr;
    decltype(&BCryptCloseAlgorithmProvider) close = nullptr;
    decltype(&BCryptCreateHash) create = nullptr;
    decltype(&BCryptDestroyHash) destroy = nullptr;
    decltype(&BCryptHashData) data = nullptr;
    decltype(&BCryptFinishHash) finish = nullptr;

    static CngFunctions Load() {
        const HMODULE bcrypt = LoadSystemLibrary(L"bcrypt.dll");
        CngFunctions f;
        std::string missing;
        BindProcedure(bcrypt, "BCryptOpenAlgorithmProvider", &f.open, &missing);
        BindProcedure(bcrypt, "BCryptCloseAlgorithmProvider", &f.close, &missing);
        BindProcedure(bcrypt, "BCryptCreateHash", &f.create, &missing);
        BindProcedure(bcrypt, "BCryptDestroyHash", &f.destroy, &missing);
        BindProcedure(bcrypt, "BCryptHashData", &f.data, &missing);
        BindProcedure(bcrypt, "BCryptFinishHash", &f.finish, &missing);
        if (!missing.empty()) {
            return CngFunctions();
        }
        return f;  // the module stays loaded for the life of the process
    }
    bool ok() const { return open != nullptr; }
};

// Loaded once per module that uses it; a copy of the functions lives as long as the process.
inline const CngFunctions& Cng() {
    static const CngFunctions functions = CngFunctions::Load();
    return functions;
}

struct AlgorithmProviderTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) {
        const auto close = Cng().close;  // not null where there is a handle
        if (close != nullptr) {
            close(h, 0);
        }
    }
};

struct HashObjectTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) {
        const auto destroy = Cng().destroy;
        if (destroy != nullptr) {
            destroy(h);
        }
    }
};

class Sha256 {
public:
    Sha256() {
        const CngFunctions& cng = Cng();
        BCRYPT_ALG_HANDLE algorithm = nullptr;
        if (!cng.ok() || cng.open(&algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0) < 0) {
            return;
        }
        algorithm_.reset(algorithm);
        BCRYPT_HASH_HANDLE hash = nullptr;
        // The hash object's memory is CNG's own (Windows 7 and later).
        if (cng.create(algorithm, &hash, nullptr, 0, nullptr, 0, 0) >= 0) {
            hash_.reset(hash);
        }
    }

    bool ok() const { return static_cast<bool>(hash_) && !failed_; }

    void Add(const void* data, size_t size) {
        const auto* bytes = static_cast<const UCHAR*>(data);
        const auto hashData = Cng().data;  // not null while ok(): checked for the analyzer
        while (ok() && hashData != nullptr && size > 0) {
            const ULONG chunk = size > ULONG_MAX ? ULONG_MAX : static_cast<ULONG>(size);
            // CNG takes a non-const pointer but only reads.
            failed_ = hashData(hash_.get(), const_cast<UCHAR*>(bytes), chunk, 0) < 0;
            bytes += chunk;
            size -= chunk;
        }
    }

    // The digest as 64 lowercase hexadecimal digits; empty after any failure. Once only.
    std::string Finish() {
        UCHAR digest[32] = {};
        const auto finish = Cng().finish;
        if (!ok() || finish == nullptr || finish(hash_.get(), digest, sizeof(digest), 0) < 0) {
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

private:
    UniqueAny<AlgorithmProviderTraits> algorithm_;
    UniqueAny<HashObjectTraits> hash_;
    bool failed_ = false;
};
