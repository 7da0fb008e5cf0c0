// The update package's description (UPDATEFILES\TAVIKUpdate.xml): where it lies, the stream it
// is read from, and the whole walk of it into a PackageSink.
#pragma once

#include <windows.h>
#include <objidl.h>

#include "PackageSink.h"

inline constexpr wchar_t kPackageFolder[] = L".\\UPDATEFILES";
inline constexpr wchar_t kPackageDescriptionName[] = L"TAVIKUpdate.xml";

// Opens `folder`\TAVIKUpdate.xml for reading (others may read it too) as a stream whose count
// is 1. On failure returns HRESULT_FROM_WIN32 of the system error and hands out nothing.
HRESULT OpenPackageStream(IStream** stream, const wchar_t* folder = kPackageFolder);

// Reads the description into `sink`. False only when the file cannot be opened or the reader
// cannot be set up on it; a walk stopped by malformed XML still returns true.
bool LoadPackageDescription(PackageSink& sink, const wchar_t* folder = kPackageFolder);
