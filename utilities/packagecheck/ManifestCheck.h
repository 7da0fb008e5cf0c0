// The manifest of a checked package: written on request, else verified whenever it is there.
#pragma once

#include "PackageReport.h"

// Needs the report's digests. Writing lists the description and every found image; it fails,
// with a note, when one of them could not be read.
void WriteOrVerifyManifest(PackageReport& report, bool write);
