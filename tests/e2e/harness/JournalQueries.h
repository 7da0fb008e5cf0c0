// Questions about the simulated camera's journal: which requests came, in what order, with
// which inputs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "CamSimControl.h"

namespace e2e {

// The request codes the updater's library sends (device type 0x22, function * 4).
constexpr uint32_t kCodeSetTimeOut = 0x00220000;      // function 0
constexpr uint32_t kCodeGetCtrlCurrent = 0x00220020;  // function 8
constexpr uint32_t kCodeSetCtrlCurrent = 0x00220024;  // function 9
constexpr uint32_t kCodeGetTrans = 0x0022003C;        // function 15
constexpr uint32_t kCodeSetTrans = 0x00220040;        // function 16
constexpr uint32_t kCodeSetSystemData = 0x00220050;   // function 20
constexpr uint32_t kCodeGetLastError = 0x00220064;    // function 25
constexpr uint32_t kCodeGetVersion = 0x00220068;      // function 26

using Journal = std::vector<camsim::JournalEntry>;

Journal WithCode(const Journal& journal, uint32_t code);
// Index of the first entry with `code` at or after `from`.
std::optional<size_t> IndexOf(const Journal& journal, uint32_t code, size_t from = 0);

// The little-endian 32-bit value at `offset` of the entry's input; empty if it is too short.
std::optional<uint32_t> InputWord(const camsim::JournalEntry& entry, size_t offset);

// The set-control input for control 0x3E: 3E 00 00 00 value.
std::vector<uint8_t> ConnectionControlInput(uint8_t value);
bool IsConnectionControlWrite(const camsim::JournalEntry& entry, uint8_t value);

// A system-data write's record: selector in byte 0, image address in 4-7, length in 8-11.
struct SystemDataInput {
    uint8_t selector = 0;
    uint32_t length = 0;
};
std::optional<SystemDataInput> SystemDataOf(const camsim::JournalEntry& entry);

}  // namespace e2e
