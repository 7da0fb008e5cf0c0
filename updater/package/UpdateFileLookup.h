// The look-up of the image files that the description's entries name, in the package folder.
#pragma once

#include "PackageDescription.h"
#include "PackageSink.h"
#include "UpdateFileEntry.h"

// Looks for the entry's file in `folder` as FindFirstFileW matches names (wildcards allowed).
// Found: `found` is set and `fileName` becomes the bare name of the file found; otherwise `found`
// is cleared and `fileName` stays. Folders are passed over; a name holding \, / or : is never
// found. Notes go to `sink` when it is given.
bool ResolveUpdateFile(UpdateFileEntry& entry, const wchar_t* folder = kPackageFolder,
                       PackageSink* sink = nullptr);

// ResolveUpdateFile for each of the five entries in turn; the number found. Finding none is
// noted as no-entry-found.
int ResolveAllUpdateFiles(UpdateFileEntry (&entries)[kUpdateFileCount],
                          const wchar_t* folder = kPackageFolder, PackageSink* sink = nullptr);
