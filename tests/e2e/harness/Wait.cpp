#include "Wait.h"

#include <chrono>

#include "TimeScale.h"

namespace e2e {

namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

bool StaysTrue(const std::function<bool()>& condition, DWORD periodMs, DWORD pollMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(periodMs);
    do {
        if (!condition()) {
            return false;
        }
        Sleep(tavik::test::Scaled(pollMs));
    } while (Clock::now() < end);
    return condition();
}

}  // namespace e2e
