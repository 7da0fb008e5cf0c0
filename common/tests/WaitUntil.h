// Waiting in a test for a condition that nothing announces.
#pragma once

#include <windows.h>

#include <functional>

namespace tavik::test {

// True as soon as `condition` holds; false once `timeoutMs`, widened by the time scale, have
// passed without it, or once the running case's budget is spent (TimeScale.h). Looks again every
// `pollMs` (also widened: on an emulated CPU every look costs that many times more, and a test that
// polls as often as natively starves the program it waits for), and once more at the deadline.
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs = 5000, DWORD pollMs = 1);

}  // namespace tavik::test
