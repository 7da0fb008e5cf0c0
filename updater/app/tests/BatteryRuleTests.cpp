// Which power states keep a write from beginning, and what the operator and the log are told.
#include <gtest/gtest.h>

#include "BatteryRule.h"
#include "RunMessages.h"

namespace {

SYSTEM_POWER_STATUS Power(BYTE acLine, BYTE batteryFlag, BYTE percent) {
    SYSTEM_POWER_STATUS status = {};
    status.ACLineStatus = acLine;
    status.BatteryFlag = batteryFlag;
    status.BatteryLifePercent = percent;
    status.BatteryLifeTime = 0xFFFFFFFF;
    status.BatteryFullLifeTime = 0xFFFFFFFF;
    return status;
}

constexpr BYTE kOffline = 0, kOnline = 1, kUnknownLine = 255;
constexpr BYTE kHigh = 1, kLow = 2, kCritical = 4, kCharging = 8, kNoBattery = 128, kUnknown = 255;

}  // namespace

TEST(BatteryRule, OnlyALowKnownChargeOffMainsAndNotChargingRefuses) {
    SYSTEM_POWER_STATUS power = Power(kOffline, kCritical, 7);
    EXPECT_EQ(TooLowBatteryCharge(&power), 7);
    power = Power(kOffline, kCritical, 0);
    EXPECT_EQ(TooLowBatteryCharge(&power), 0);
    power = Power(kOffline, kLow, 9);
    EXPECT_EQ(TooLowBatteryCharge(&power), 9) << "just below the threshold";
    power = Power(kOffline, kLow, 10);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "the threshold itself goes ahead";
    power = Power(kOffline, kHigh, 60);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt);
    // Flags the PC cannot read say nothing of charging: the known charge decides.
    power = Power(kOffline, kUnknown, 5);
    EXPECT_EQ(TooLowBatteryCharge(&power), 5);
}

TEST(BatteryRule, MainsChargingNoBatteryOrAnUnknownChargeGoAhead) {
    SYSTEM_POWER_STATUS power = Power(kOnline, kCritical, 5);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "on mains";
    power = Power(kUnknownLine, kCritical, 5);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "the line's state unknown";
    power = Power(kOffline, kCritical | kCharging, 3);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "charging";
    power = Power(kOffline, kNoBattery, 5);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "no battery";
    power = Power(kOffline, kCritical, 255);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "the charge unknown";
    power = Power(kOffline, kCritical, 101);
    EXPECT_EQ(TooLowBatteryCharge(&power), std::nullopt) << "no charge is above 100 %";
    EXPECT_EQ(TooLowBatteryCharge(nullptr), std::nullopt) << "the status could not be read";
}

TEST(BatteryRule, TheOperatorIsWarnedAndTheLogSaysWhy) {
    const MessageBoxText box = LowBatteryMessage(7);
    EXPECT_EQ(box.text,
              L"The PC is running on battery power (7 %). Connect the PC to power, then click "
              L"Update again.");
    EXPECT_STREQ(box.caption, L"Warning");
    EXPECT_EQ(box.style, static_cast<UINT>(MB_OK | MB_ICONWARNING));
    EXPECT_EQ(LowBatteryLine(0), L"Update refused: the PC is running on battery power (0 %)");
}
