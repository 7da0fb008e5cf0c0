// Exit statuses that mean the same in every tool. Each tool's own answers (about a package or a
// camera) are small numbers below them.
#pragma once

inline constexpr int kUsageStatus = 64;         // a bad command line (as BSD's EX_USAGE)
inline constexpr int kRefusedStatus = 75;       // TAVIKUpdate is open: try again later
inline constexpr int kInterruptedStatus = 130;  // Ctrl+C ended a wait (128 + SIGINT, as shells say)
