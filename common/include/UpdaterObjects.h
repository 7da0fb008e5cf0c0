// The named kernel objects by which TAVIKUpdate tells every other program on this PC, in any
// session, that it runs and when it writes the camera. Both live in the Global namespace, so a
// second updater or a tool started by another user, or over Remote Desktop, sees them too.
// Only their existence counts: each exists exactly as long as its owner holds it, and goes with
// the owner's process however it ends.
#pragma once

#include <windows.h>

// Created by TAVIKUpdate at its start and held until it ends: one updater at a time, and the
// tools leave the camera alone meanwhile.
inline constexpr wchar_t kUpdaterRunningMutex[] = L"Global\\Orvane.TAVIKUpdate.Running";

// Created and owned by the updater's writing thread from the click on "Update" until the run's
// result is known. The library in every other process sends nothing to the camera meanwhile; in
// the writing thread itself the mutex is its own, so its requests go on.
inline constexpr wchar_t kCameraWriteMutex[] = L"Global\\Orvane.TAVIKUpdate.Writing";

// Whether a mutex of that name exists. One made by a more privileged program (an updater run as
// administrator) may refuse us even SYNCHRONIZE: it exists all the same.
inline bool NamedMutexExists(const wchar_t* name) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, name);
    if (mutex == nullptr) {
        return GetLastError() == ERROR_ACCESS_DENIED;
    }
    CloseHandle(mutex);
    return true;
}
