#include "RunningUpdaterMark.h"

#include "UpdaterObjects.h"

RunningUpdaterMark::RunningUpdaterMark()
    : mutex_(CreateMutexW(nullptr, FALSE, kUpdaterRunningMutex)) {}
