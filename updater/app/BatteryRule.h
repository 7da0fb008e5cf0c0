// Whether the PC's power lets an update begin. A laptop whose battery runs down switches itself
// off (the critical battery action) and leaves the camera half-written, so a write does not
// begin on an almost empty battery. Mains power, a battery that is charging, and a charge the
// PC cannot tell are no reason to refuse.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

// The lowest battery charge, in percent, on which an update begins without mains power.
inline constexpr int kLowestBatteryPercent = 10;

// The charge, when it keeps a write from beginning: on battery power, known, below
// kLowestBatteryPercent and not charging. Nothing otherwise, and nothing when the status could
// not be read (null): a PC that cannot tell is not kept from updating.
std::optional<int> TooLowBatteryCharge(const SYSTEM_POWER_STATUS* status);

// The log's line for a click on "Update" that this refused.
std::wstring LowBatteryLine(int percent);
