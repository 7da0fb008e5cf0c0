#include "Wait.h"

#include <chrono>

#include "TimeScale.h"

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD pollMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(tavik::test::Scaled(timeoutMs));
    for (;;) {
        if (condition()) {
            return true;
        }
        // The condition is asked once more at the deadline, so a slow poll never loses it.
        if (Clock::now() >= deadline) {
            return condition();
        }
        Sleep(pollMs);
    }
}

bool StaysTrue(const std::function<bool()>& condition, DWORD periodMs, DWORD pollMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(periodMs);
    do {
        if (!condition()) {
            return false;
        }
        Sleep(pollMs);
    } while (Clock::now() < end);
    return condition();
}

}  // namespace e2e
