// The texts and styles of the message boxes that end or question a run.
#pragma once

#include <windows.h>

#include <string>

struct MessageBoxText {
    std::wstring text;
    const wchar_t* caption;
    UINT style;
};

// The camera is not the package's model: a plain warning, or, where the package allows an
// override, the question whether to update anyway (No the default).
MessageBoxText MismatchMessage(const std::wstring& deviceName, bool overrideAllowed);

MessageBoxText FinishedMessage(const std::wstring& deviceName);

// `error` is shown as a signed decimal.
MessageBoxText FailedMessage(long error);

// A second updater started while one runs: it tells the operator so and ends, the camera
// untouched.
MessageBoxText AlreadyRunningMessage();

// At the start after a run whose write was cut off before its result.
MessageBoxText UnfinishedWriteMessage();

// "Update" clicked on an almost empty battery: nothing was sent, and "Update" stays enabled for
// a click once the PC is on mains power.
MessageBoxText LowBatteryMessage(int percent);
