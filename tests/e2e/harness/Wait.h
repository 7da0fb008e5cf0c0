// Waiting on conditions that another process brings about: poll until true or a deadline.
#pragma once

#include <windows.h>

#include <functional>

namespace e2e {

// True as soon as `condition` holds; false once `timeoutMs`, widened by the host's time scale,
// have passed without it.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs = 5);

// True when `condition` held at every poll for `periodMs`; false at the first poll it fails.
bool StaysTrue(const std::function<bool()>& condition, DWORD periodMs, DWORD pollMs = 10);

}  // namespace e2e
