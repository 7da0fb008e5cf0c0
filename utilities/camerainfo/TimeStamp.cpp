#include "TimeStamp.h"

#include <cstdio>

std::string FormatUtcTime(const SYSTEMTIME& utc) {
    char text[32];
    std::snprintf(text, sizeof(text), "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ", unsigned{utc.wYear},
                  unsigned{utc.wMonth}, unsigned{utc.wDay}, unsigned{utc.wHour},
                  unsigned{utc.wMinute}, unsigned{utc.wSecond}, unsigned{utc.wMilliseconds});
    return text;
}

std::string UtcNow() {
    SYSTEMTIME now;
    GetSystemTime(&now);
    return FormatUtcTime(now);
}
