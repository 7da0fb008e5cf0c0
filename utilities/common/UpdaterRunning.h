// Whether TAVIKUpdate is open, on this PC and in any session: the tools leave the camera alone
// while it may be writing.
#pragma once

#include <string>

// TAVIKUpdate holds its mark (UpdaterObjects.h) from its start to its end.
bool UpdaterRunning();

// What `tool` says on standard error when it refuses.
std::wstring UpdaterRunningMessage(const wchar_t* tool);
