// The PC's power, read when the operator clicks "Update", before anything goes to the camera.
#include <windows.h>

#include "BatteryRule.h"
#include "LogFile.h"
#include "OrvaneUpdateDlg.h"
#include "RunMessages.h"

bool COrvaneUpdateDlg::RefusedForBattery() {
    SYSTEM_POWER_STATUS power = {};
    const auto percent = TooLowBatteryCharge(GetSystemPowerStatus(&power) ? &power : nullptr);
    if (!percent) {
        return false;
    }
    WriteLog(logPath, LowBatteryLine(*percent));
    const MessageBoxText box = LowBatteryMessage(*percent);
    MessageBoxW(m_hWnd, box.text.c_str(), box.caption, box.style);
    return true;
}
