// Whether TAVIKUpdate is open: the tools leave the camera alone while it may be writing.
#pragma once

#include <string>

// The caption of TAVIKUpdate's dialog, which never changes while it runs.
inline constexpr wchar_t kUpdaterCaption[] = L"TAVIK Update 1.0.0";

// A top-level window with that caption exists on this desktop.
bool UpdaterWindowOpen();

// What `tool` says on standard error when it refuses.
std::wstring UpdaterOpenMessage(const wchar_t* tool);
