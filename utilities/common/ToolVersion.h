// What a tool says about its own version, in `--version` and in its JSON.
#pragma once

#include "TavikVersion.h"

inline constexpr char kToolVersion[] = TAVIK_VERSION_STRING;
inline constexpr wchar_t kToolVersionText[] = L"" TAVIK_VERSION_STRING;

// The layout of the tools' JSON; raised when a field changes meaning or goes away.
inline constexpr int kSchemaVersion = 2;
