// SHA-256 of a file through the platform's own cryptography (CNG), never a hash of our own.
#pragma once

#include <string>

#include "PlatformSha256.h"

// The digest of a file's bytes as they lie on disk. False when it cannot be read whole, with
// the system error in `error` where one said why (else 0).
bool Sha256OfFile(const std::wstring& path, std::string* hex, DWORD* error = nullptr);
