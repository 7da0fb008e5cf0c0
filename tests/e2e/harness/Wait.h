// Waiting on conditions that another process brings about.
#pragma once

#include <windows.h>

#include <functional>

#include "WaitUntil.h"

namespace e2e {

// Polls every 5 ms by default: the conditions here read another process's windows.
inline bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 5) {
    return tavik::test::WaitUntil(condition, timeoutMs, pollMs);
}

// True when `condition` held at every poll for `periodMs`; false at the first poll it fails.
// The poll widens with the time scale, as WaitUntil's does.
bool StaysTrue(const std::function<bool()>& condition, DWORD periodMs, DWORD pollMs = 10);

}  // namespace e2e
