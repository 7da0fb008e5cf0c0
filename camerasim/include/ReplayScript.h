// A session trace written by TAVIKUtilDll (TAVIK_TRACE), turned into the script the simulated
// camera replays. Plain data in and out, apart from reading the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

// The script of a trace's JSON Lines. False, with `problem` naming the line and the fault,
// for anything the replay could not follow faithfully.
bool ScriptFromTrace(const std::string& trace, std::vector<uint8_t>* script, std::string* problem);
bool ScriptFromTraceFile(const std::wstring& path, std::vector<uint8_t>* script,
                         std::string* problem);

// The NTSTATUS a driver completes a request with for it to reach the caller as recorded: a
// success, ERROR_MORE_DATA with its partial reply, or any other failure with its error code.
int32_t StatusOfOutcome(bool ok, uint32_t error);

}  // namespace camsim
