// Waiting in a test for a condition that nothing announces.
#pragma once

#include <windows.h>

#include <functional>

namespace tavik::test {

// True as soon as `condition` holds; false once `timeoutMs`, widened by the time scale, have
// passed without it. Looks again every `pollMs`, and once more at the deadline.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000, DWORD pollMs = 1);

}  // namespace tavik::test
