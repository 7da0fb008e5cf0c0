#include "WaitUntil.h"

#include "TimeScale.h"

namespace tavik::test {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG limit = Bounded(timeoutMs);
    for (;;) {
        if (condition()) {
            return true;
        }
        // Asked once more at the deadline, so a slow poll never loses a condition that came.
        if (GetTickCount64() - start >= limit) {
            return condition();
        }
        Sleep(Scaled(pollMs));
    }
}

}  // namespace tavik::test
