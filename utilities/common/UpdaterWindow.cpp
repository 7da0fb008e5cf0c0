#include "UpdaterWindow.h"

#include <windows.h>

bool UpdaterWindowOpen() {
    return FindWindowW(nullptr, kUpdaterCaption) != nullptr;
}

std::wstring UpdaterOpenMessage(const wchar_t* tool) {
    return std::wstring(tool) + L": TAVIKUpdate is open (a window \"" + kUpdaterCaption +
           L"\"): the camera is left alone while it may be writing; close it and try again\r\n";
}
