#include "WaitUntil.h"

#include "TimeScale.h"

namespace tavik::test {

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
    const ULONGLONG start = GetTickCount64();
    const ULONGLONG limit = Scaled(timeoutMs);
    while (!condition()) {
        if (GetTickCount64() - start >= limit) {
            return false;
        }
        Sleep(1);
    }
    return true;
}

}  // namespace tavik::test
