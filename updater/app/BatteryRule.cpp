#include "BatteryRule.h"

namespace {

constexpr BYTE kOffline = 0;         // ACLineStatus: on battery power
constexpr BYTE kUnknownFlags = 255;  // BatteryFlag: the flags could not be read
constexpr BYTE kCharging = 8;        // BatteryFlag bits
constexpr BYTE kNoSystemBattery = 128;
constexpr BYTE kHighestPercent = 100;  // BatteryLifePercent above it (255): unknown

}  // namespace

std::optional<int> TooLowBatteryCharge(const SYSTEM_POWER_STATUS* status) {
    if (status == nullptr || status->ACLineStatus != kOffline ||
        status->BatteryLifePercent > kHighestPercent) {
        return std::nullopt;
    }
    // Unreadable flags say nothing of a battery or its charging (all bits are set then): off
    // mains, the known charge decides alone.
    if (status->BatteryFlag != kUnknownFlags &&
        (status->BatteryFlag & (kCharging | kNoSystemBattery)) != 0) {
        return std::nullopt;
    }
    const int percent = status->BatteryLifePercent;
    if (percent >= kLowestBatteryPercent) {
        return std::nullopt;
    }
    return percent;
}

std::wstring LowBatteryLine(int percent) {
    return L"Update refused: the PC is running on battery power (" + std::to_wstring(percent) +
           L" %)";
}
