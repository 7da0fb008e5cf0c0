// A session trace written by TAVIKUtilDll (TAVIK_TRACE), turned into the script the simulated
// camera replays. A trace file holds sessions one after another, each from its header line.
// Plain data in and out, apart from reading the file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace camsim {

// Which session of a trace file a script was made from, counted from 1, and what its header
// says.
struct SessionFound {
    uint32_t number = 0;
    uint32_t count = 0;  // sessions in the file
    std::string program;
    std::string time;
};

// The script of one session of a trace's JSON Lines: `session` counted from 1, or 0 for the
// last one. Its requests are answered in the order they were issued. False, with `problem`
// naming the line and the fault, for anything the replay could not follow faithfully.
bool ScriptFromTrace(const std::string& trace, std::vector<uint8_t>* script, std::string* problem,
                     uint32_t session = 0, SessionFound* found = nullptr);
bool ScriptFromTraceFile(const std::wstring& path, std::vector<uint8_t>* script,
                         std::string* problem, uint32_t session = 0, SessionFound* found = nullptr);

// The NTSTATUS a driver completes a request with for it to reach the caller as recorded: a
// success, ERROR_MORE_DATA with its partial reply, or any other failure with its error code.
int32_t StatusOfOutcome(bool ok, uint32_t error);

}  // namespace camsim
