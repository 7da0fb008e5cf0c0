// The notes that only the whole picture gives, beside the walk's and the look-up's own.
#pragma once

#include "PackageReport.h"

// An unreadable description; no title or device name; a device name that is no model the
// updater knows (an error where CHECK is not ON: the updater then refuses every camera); an
// image too large, or empty; two images sent to one selector; nothing found.
void AddConclusions(PackageReport& report);
