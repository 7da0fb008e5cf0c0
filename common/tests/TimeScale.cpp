#include "TimeScale.h"

#include <algorithm>
#include <atomic>
#include <cwchar>

namespace tavik::test {

namespace {

// A whole number from 1 to `most` in the variable `name`, or 0.
unsigned long WholeNumber(const wchar_t* name, unsigned long most) {
    wchar_t text[16] = {};
    const DWORD length = GetEnvironmentVariableW(name, text, 16);
    if (length == 0 || length >= 16) {
        return 0;
    }
    wchar_t* end = nullptr;
    const unsigned long value = std::wcstoul(text, &end, 10);
    return end == text || *end != L'\0' || value > most ? 0 : value;
}

// When the running case's waits must be over (GetTickCount64); 0: no budget.
std::atomic<ULONGLONG> g_caseWaitsEnd{0};

constexpr DWORD kLeastWaitMs = 1000;  // before widening

}  // namespace

unsigned TimeScale() {
    static const unsigned factor = [] {
        const unsigned long value = WholeNumber(L"TAVIK_TIME_SCALE", 100);
        return value == 0 ? 1u : static_cast<unsigned>(value);
    }();
    return factor;
}

void StartCaseClock() {
    static const unsigned long seconds = WholeNumber(L"TAVIK_CASE_SECONDS", 3600);
    if (seconds == 0) {
        return;
    }
    const ULONGLONG budget = static_cast<ULONGLONG>(seconds) * 1000 * TimeScale();
    g_caseWaitsEnd.store(GetTickCount64() + budget - budget / 10);
}

DWORD Bounded(DWORD ms) {
    const DWORD scaled = Scaled(ms);
    const ULONGLONG end = g_caseWaitsEnd.load();
    if (end == 0) {
        return scaled;
    }
    const ULONGLONG now = GetTickCount64();
    const ULONGLONG left = end > now ? end - now : 0;
    const ULONGLONG least = std::min<ULONGLONG>(Scaled(kLeastWaitMs), scaled);
    return static_cast<DWORD>(std::min<ULONGLONG>(scaled, std::max(left, least)));
}

DWORD Scaled(DWORD ms) {
    const unsigned long long widened = static_cast<unsigned long long>(ms) * TimeScale();
    return widened >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(widened);
}

}  // namespace tavik::test
