#include "RunMessages.h"

// The texts are the program's own, word for word ("Does it really update to", "The upgrade
// ended."): operators and scripts know them as they are, so they are not to be reworded.

MessageBoxText MismatchMessage(const std::wstring& deviceName, bool overrideAllowed) {
    std::wstring text = L"Not " + deviceName + L".";
    if (!overrideAllowed) {
        return {text, L"Warning", MB_OK | MB_ICONWARNING};
    }
    text += L"\r\nDoes it really update to " + deviceName + L"?";
    return {text, L"Warning", MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2};
}

MessageBoxText FinishedMessage(const std::wstring& deviceName) {
    return {L"The upgrade ended.\r\nPlease reactivate the " + deviceName + L".", L"Finished",
            MB_OK | MB_ICONINFORMATION};
}

MessageBoxText FailedMessage(long error) {
    return {L"Failed!\r\nError=" + std::to_wstring(error), L"Error", MB_OK | MB_ICONERROR};
}

MessageBoxText AlreadyRunningMessage() {
    return {
        L"An update program is already running on this PC.\r\nUse its window to update the "
        L"camera.",
        L"Warning", MB_OK | MB_ICONWARNING};
}

MessageBoxText UnfinishedWriteMessage() {
    return {
        L"The last update of the camera did not finish.\r\nUpdate the camera again before "
        L"you use it.",
        L"Warning", MB_OK | MB_ICONWARNING};
}

MessageBoxText LowBatteryMessage(int percent) {
    return {L"The PC is running on battery power (" + std::to_wstring(percent) +
                L" %). Connect the PC to power, then click Update again.",
            L"Warning", MB_OK | MB_ICONWARNING};
}
