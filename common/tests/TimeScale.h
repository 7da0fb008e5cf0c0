// Time bounds of tests on a slow host. A host that runs the tests in an emulated CPU sets
// TAVIK_TIME_SCALE (about 12); every bound a test must have is widened by it, so a test holds
// there as it does natively, and natively (factor 1) nothing changes.
#pragma once

#include <windows.h>

namespace tavik::test {

// The factor from TAVIK_TIME_SCALE: 1 when it is unset, not a whole number, or out of 1..100.
unsigned TimeScale();

// `ms` widened by the factor, held at INFINITE - 1 so it never becomes "wait for ever".
DWORD Scaled(DWORD ms);

}  // namespace tavik::test
