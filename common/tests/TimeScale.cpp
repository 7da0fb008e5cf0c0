#include "TimeScale.h"

#include <cwchar>

namespace tavik::test {

unsigned TimeScale() {
    static const unsigned factor = [] {
        wchar_t text[16] = {};
        const DWORD length = GetEnvironmentVariableW(L"TAVIK_TIME_SCALE", text, 16);
        if (length == 0 || length >= 16) {
            return 1u;
        }
        wchar_t* end = nullptr;
        const unsigned long value = std::wcstoul(text, &end, 10);
        if (end == text || *end != L'\0' || value < 1 || value > 100) {
            return 1u;
        }
        return static_cast<unsigned>(value);
    }();
    return factor;
}

DWORD Scaled(DWORD ms) {
    const unsigned long long widened = static_cast<unsigned long long>(ms) * TimeScale();
    return widened >= INFINITE ? INFINITE - 1 : static_cast<DWORD>(widened);
}

}  // namespace tavik::test
