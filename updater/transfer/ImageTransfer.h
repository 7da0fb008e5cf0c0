// The pieces of one image's transfer that are plain data: the padded length, the record the
// library hands to the driver, the progress bar's range and the log lines of an entry.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "TAVIKUtilDll.h"

// The period of the timer that advances the progress bar by one step while an image is written.
inline constexpr UINT kProgressTickMs = 500;

// The size rounded up to a multiple of 4. False when the result would not fit 32 bits.
bool PaddedLength(uint64_t size, uint32_t* padded);

// The record for one image: the selector's low byte, the buffer, its padded length.
SystemDataRecord MakeSystemDataRecord(int32_t selector, const void* data, uint32_t length);

// One step per tick for the whole time-out, held at the control's 16-bit limit.
WORD ProgressUpperBound(uint32_t timeoutMs);

// Log lines of an entry.
std::wstring EntryStartLine(const wchar_t* toolTip);                    // "%s Update"
std::wstring EntryFileLine(const wchar_t* fileName);                    // "FileName=%s"
std::wstring EntryOutcomeLine(const wchar_t* toolTip, bool succeeded);  // "%s Update:%s"
// "%s Error(%d)": the library's request that failed ("SetSystemData", "SetTimeOutInfo") and the
// driver's code.
std::wstring RequestErrorLine(const wchar_t* request, uint32_t code);

// The lines logged for an image that ReadImageFile could not read whole, by its result.
inline constexpr wchar_t kFileOpenErrorLine[] = L"File Open Error";
inline constexpr wchar_t kFileReadErrorLine[] = L"File Read Error";
inline constexpr wchar_t kMemoryErrorLine[] = L"Memory Allocation Error";
// The camera's write mark is held by another program: nothing was sent.
inline constexpr wchar_t kCameraBusyLine[] = L"Camera Busy Error";
// Windows ended its session while an image was being written: the process goes next.
inline constexpr wchar_t kSessionEndedLine[] =
    L"The write was cut off by the end of the Windows session";
