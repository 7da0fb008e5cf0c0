// The mark of a write that has begun and not yet reached its result. It lies beside the log
// and is on disk before the first image goes to the camera, so a run cut off by a crash, End
// Task, a forced shut-down or a power cut leaves it behind, and the next start of the updater,
// in any folder, can tell the operator that the camera is half-written.
#pragma once

#include <string>

inline constexpr wchar_t kUnfinishedWriteFileName[] = L"TAVIKUpdate.unfinished";

// The mark's path beside the log at `logPath`.
std::wstring UnfinishedWritePath(const std::wstring& logPath);

// The mark, written through to the disk: one stamped line saying what was begun and where.
// False when it could not be made; the caller decides what a write without it may do.
bool MarkUnfinishedWrite(const std::wstring& path, const std::wstring& workingFolder);

bool UnfinishedWriteMarked(const std::wstring& path);

// Called once the result is known, whatever it is: the operator is told it then.
void ClearUnfinishedWrite(const std::wstring& path);
