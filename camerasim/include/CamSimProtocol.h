// What the simulated camera's driver and its control library agree on: request codes, the
// private requests of the control device and their records. Shared by user and kernel mode,
// so it uses nothing but fixed-width integers.
#pragma once

#include <stdint.h>

namespace camsim {

// Camera requests: device type 0x22, any access, buffered; functions 0 to 26.
constexpr uint32_t kFunctionCount = 27;
constexpr uint32_t RequestCode(uint32_t function) {
    return 0x00220000u + 4u * function;
}
constexpr uint32_t RequestFunction(uint32_t code) {
    return (code - 0x00220000u) / 4u;
}

// The bytes the pass-through replies are filled with, so a caller can check every byte.
inline uint8_t PatternByte(uint32_t function, uint32_t index) {
    return static_cast<uint8_t>((function * 37u + index) & 0xFFu);
}

// Reaches the caller as a failure whose system error value is 0.
constexpr int32_t kStatusFailWithoutError = static_cast<int32_t>(0xC0070000u);
// STATUS_CANCELLED: the status of a request completed by its cancel routine.
constexpr int32_t kStatusCancelled = static_cast<int32_t>(0xC0000120u);
// Last error of a system-data write that did not finish within the time-out.
constexpr uint32_t kDriverErrorTimeout = 0x0000001Fu;
// Buffer table replies are never longer than this.
constexpr uint32_t kBufferTableSize = 48;
// Cameras that can be attached at once; their instance IDs are 0000 to 0007.
constexpr uint32_t kMaxCameras = 8;

// Control device. Its requests use a private device type, buffered, any access.
constexpr uint32_t ControlCode(uint32_t function) {
    return (0x8337u << 16) | ((0x800u + function) << 2);
}

enum ControlFunction : uint32_t {
    kCtlReset = 0,           // in: none
    kCtlAttach = 1,          // in: AttachRecord; out: uint32_t index
    kCtlDetach = 2,          // in: uint32_t index
    kCtlSetCompletion = 3,   // in: uint32_t mode (0 immediate, 1 pending)
    kCtlSetDelay = 4,        // in: uint32_t milliseconds
    kCtlSetProduct = 5,      // in: uint32_t code
    kCtlSetVersion = 6,      // in: 14 bytes
    kCtlSetControl = 7,      // in: ValueRecord, then the value bytes
    kCtlSetTransfer = 8,     // in: uint32_t mode
    kCtlSetWriteTime = 9,    // in: uint32_t microseconds per byte
    kCtlSetEvent = 10,       // in: ValueRecord (id = function), then the event bytes
    kCtlSetFault = 11,       // in: FaultRecord
    kCtlClearFaults = 12,    // in: none
    kCtlHold = 13,           // in: uint32_t function
    kCtlReadJournal = 14,    // in: uint32_t first record number; out: JournalPage
    kCtlClearJournal = 15,   // in: none
    kCtlReadImage = 16,      // in: ImageQuery; out: ImagePage, then the bytes
    kCtlInterfacePath = 17,  // in: uint32_t index; out: NUL-terminated UTF-16 link name
    kCtlDelayNext = 18,      // in: DelayRecord
    kCtlReadStatus = 19,     // in: none; out: StatusRecord
    kCtlLoadReplay = 20,     // in: ReplayScript and its steps
    kCtlReadReplay = 21,     // in: none; out: ReplayStatus
    // in: uint32_t milliseconds that a replay's camera event waits between its check that its
    // replay still runs and its action, so that a test can reset or reload in between
    kCtlSetReplayEventPause = 22,
};

struct AttachRecord {
    uint32_t delayMs;  // 0: at once; otherwise the worker attaches it this much later
};

struct ValueRecord {
    uint32_t id;
    uint32_t size;
};

struct FaultRecord {
    uint32_t function;
    uint32_t driverError;
    int32_t status;
    uint32_t count;  // 0: until cleared
};

struct DelayRecord {
    uint32_t function;
    uint32_t milliseconds;  // the next request of `function` completes this much later
};

struct StatusRecord {
    uint32_t received;     // requests received since the last reset
    uint32_t outstanding;  // requests not yet completed
    uint32_t cancelled;    // requests completed by their cancel routine since the last reset
    uint32_t opens;        // opens of a camera's interface that reached the driver
};

struct JournalPage {
    uint32_t entries;     // records that follow
    uint32_t nextRecord;  // where the next read starts
};

// Followed by the input bytes, padded to a multiple of 4.
struct JournalRecord {
    uint32_t record;
    uint32_t sequence;
    uint32_t camera;
    uint32_t code;
    uint32_t outputSize;
    int32_t status;
    uint32_t information;
    uint32_t inputSize;
    uint32_t completedAfter;  // requests received when this one completed
};

struct ImageQuery {
    uint32_t selector;
    uint32_t offset;
};

struct ImagePage {
    uint32_t present;
    uint32_t totalSize;
    uint32_t bytes;  // bytes that follow, from the query's offset
};

// --- Replay of a recorded session ----------------------------------------------------------
// A session's trace, turned into a script by the control library: a ReplayScript, then
// `steps` records, each a ReplayStep followed by its input, its image and its output bytes
// (those not given by a digest), each padded to a multiple of 4. kCtlLoadReplay takes a
// ReplayLoad, the folder it names, then the script.
constexpr uint32_t kReplayMagic = 0x59504C52u;  // "RLPY"
constexpr uint32_t kMaxReplayScript = 16u * 1024u * 1024u;
// Every request after a replay ended, and the one that ended it, fails with this status.
// ERROR_IO_DEVICE reaches the caller.
constexpr int32_t kStatusReplayEnded = static_cast<int32_t>(0xC007045Du);

struct ReplayScript {
    uint32_t magic;
    uint32_t steps;
};

// Where a refused open is made: the prefix's dosdevices folder, with a trailing backslash,
// `folderChars` UTF-16 characters without a terminating zero (0: refusals are not replayed).
constexpr uint32_t kMaxReplayFolderChars = 1024;
struct ReplayLoad {
    uint32_t folderChars;
};

enum ReplayKind : uint32_t {
    kReplayRequest = 0,
    kReplayArrival = 1,  // the camera appears (again found while there: nothing happens)
    kReplayRemoval = 2,  // the camera is unplugged
    kReplayRefusal = 3,  // the program's open was refused (`code`: its error): opens fail
    kReplayOpened = 4,   // the program opened the camera: opens no longer fail
};

enum ReplayFlags : uint32_t {
    kReplayInputDigest = 1,  // the input is given by its length and SHA-256 only
    kReplayImage = 2,        // a system-data write: the image behind the record is compared too
    kReplayImageDigest = 4,  // the image is given by its length and SHA-256 only
};

struct ReplayStep {
    uint32_t kind;
    uint32_t atMs;  // since the trace began; a request's is when its answer came
    uint32_t code;
    uint32_t flags;
    uint32_t inputSize;  // for a system-data write the record, its address field zero
    uint32_t imageSize;
    uint32_t outputSize;    // the bytes the camera delivered
    int32_t status;         // the answer's NTSTATUS
    uint32_t microseconds;  // how long the answer took
    uint8_t inputSha256[32];
    uint8_t imageSha256[32];
};

enum ReplayState : uint32_t {
    kReplayNone = 0,
    kReplayRunning = 1,
    kReplayComplete = 2,  // every step answered and carried out, the last answer delivered
    kReplayMismatch = 3,  // a request differed from the one recorded
};

enum ReplayDifference : uint32_t {
    kDiffersCode = 1,
    kDiffersInput = 2,
    kDiffersImage = 4,
    kBeyondTheEnd = 8,  // a request after the last one recorded
};

constexpr uint32_t kImageUnreadable = 0xFFFFFFFFu;

struct ReplayStatus {
    uint32_t state;
    uint32_t steps;
    uint32_t done;          // requests answered and camera events carried out
    uint32_t outstanding;   // answers and camera events on their way
    uint32_t eventsActing;  // camera events between their check and the end of their action,
                            // of this replay or of one reset or reloaded since
    // What ended a replay on a mismatch: the request received, by its journal sequence, and
    // the step expected.
    uint32_t differences;
    uint32_t sequence;
    uint32_t step;
    uint32_t expectedCode;
    uint32_t expectedInputSize;
    uint32_t expectedImageSize;
    uint32_t receivedCode;
    uint32_t receivedInputSize;
    uint32_t receivedImageSize;  // kImageUnreadable: it could not be read
    uint8_t expectedImageSha256[32];
    uint8_t receivedImageSha256[32];
};

}  // namespace camsim
