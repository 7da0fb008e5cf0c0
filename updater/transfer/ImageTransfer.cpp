#include "ImageTransfer.h"

bool PaddedLength(uint64_t size, uint32_t* padded) {
    if (size > 0xFFFFFFFCull) {
        return false;  // rounding up would not fit 32 bits (nor, near 2^64, 64 bits)
    }
    *padded = static_cast<uint32_t>((size + 3) & ~uint64_t{3});
    return true;
}

SystemDataRecord MakeSystemDataRecord(int32_t selector, const void* data, uint32_t length) {
    SystemDataRecord record = {};
    record.selector = static_cast<uint8_t>(static_cast<uint32_t>(selector) & 0xFFu);
    record.data = data;
    record.length = length;
    return record;
}

WORD ProgressUpperBound(uint32_t timeoutMs) {
    const uint32_t steps = timeoutMs / kProgressTickMs;
    return static_cast<WORD>(steps > 0xFFFFu ? 0xFFFFu : steps);
}

std::wstring EntryStartLine(const wchar_t* toolTip) {
    return std::wstring(toolTip) + L" Update";
}

std::wstring EntryFileLine(const wchar_t* fileName) {
    return L"FileName=" + std::wstring(fileName);
}

std::wstring EntryOutcomeLine(const wchar_t* toolTip, bool succeeded) {
    return std::wstring(toolTip) + L" Update:" + (succeeded ? L"Succeeded" : L"Failed");
}

std::wstring RequestErrorLine(const wchar_t* request, uint32_t code) {
    // The driver's code is shown as the signed number it is as an int.
    return std::wstring(request) + L" Error(" + std::to_wstring(static_cast<int32_t>(code)) + L")";
}
