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

// Every case has a budget: TAVIK_CASE_SECONDS (which CTest sets on each entry, whose time-out
// is the sum of its cases' budgets), widened by the factor. The test main starts the clock as
// each case starts.
void StartCaseClock();

// A wait's bound: `ms` widened by the factor, held within what is left of the running case's
// budget, less a tenth kept for its tear-down. A wait that comes to nothing then fails its case
// with its own line, before CTest ends the entry and its output with it. A wait that begins
// when nothing is left still gets a moment, enough for what has already come about.
DWORD Bounded(DWORD ms);

}  // namespace tavik::test
