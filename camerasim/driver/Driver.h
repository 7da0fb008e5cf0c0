// State and internal interfaces of the simulated camera's driver.
#pragma once

#if defined(__MINGW32__)
// mingw-w64's intrin.h already defines these two, and wdm.h defines them again in C++.
#define __INTRINSIC_DEFINED_InterlockedBitTestAndSet
#define __INTRINSIC_DEFINED_InterlockedBitTestAndReset
#endif
#include <ntifs.h>

#include "CamSimProtocol.h"

namespace sim {

constexpr ULONG kPoolTag = 0x6D695343;  // 'CSim'
constexpr ULONG kJournalCapacity = 4096;
constexpr ULONG kJournalByteBudget = 32u * 1024u * 1024u;
constexpr ULONG kMaxImageSize = 64u * 1024u * 1024u;
// Last error of a system-data write whose bytes could not be read from the caller.
constexpr ULONG kDriverErrorUnreadable = 0x00000021;

void* Allocate(SIZE_T size);  // zeroed, non-paged; nullptr when the pool is exhausted
void Free(void* p);

// Bytes the driver owns: stored control values, events, images, journalled inputs.
struct Bytes {
    UCHAR* data;
    ULONG size;
    bool present;
};
void ClearBytes(Bytes* bytes);
void ClearStoredBytes();  // under the lock
bool AssignBytes(Bytes* bytes, const void* source, ULONG size);

// Holds the driver's one lock for its scope; not recursive. It is a semaphore of one: pool
// allocation and calls into Wine's kernel are allowed under it, and Wine 8.0's KMUTEX never
// hands a contended mutex over to the waiting thread.
class Lock {
public:
    Lock();
    ~Lock();
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;
};

// Held across a change of the replay's cameras that must not meet another: a reset or a
// reload, and a replay's camera event from the check that its replay still runs to the end of
// its action. Taken before the lock, never under it.
class ChangeLock {
public:
    ChangeLock();
    ~ChangeLock();
    ChangeLock(const ChangeLock&) = delete;
    ChangeLock& operator=(const ChangeLock&) = delete;
};

enum class DeviceKind : ULONG { Control = 1, Camera = 2 };

struct DeviceExtension {
    DeviceKind kind;
    ULONG index;
};

struct Camera {
    PDEVICE_OBJECT device;
    UNICODE_STRING link;  // interface link, from IoRegisterDeviceInterface
    bool attached;
    bool attaching;      // a delayed attach is queued
    ULONG attachTicket;  // tells a queued attach whether it is still the one wanted
    ULONG generation;    // changes at every attach and detach; handles remember it at open
    ULONG timeoutMs;
    bool timeoutSet;
    ULONG lastError;
    LIST_ENTRY held;  // Pending records of requests held until detach
};

struct Fault {
    bool active;
    ULONG driverError;
    NTSTATUS status;
    ULONG remaining;  // 0: until cleared
};

enum class Work : ULONG { Complete, Write, Attach, ReplayEvent };

// A request (or a delayed attach) that the worker finishes later.
struct Pending {
    LIST_ENTRY link;
    Work work;
    PIRP irp;
    LONGLONG due;  // system time, 100 ns units
    ULONG camera;
    ULONG generation;
    ULONG code;
    ULONG outputSize;
    ULONG sequence;
    NTSTATUS status;
    ULONG information;
    bool setsLastError;
    ULONG driverError;
    bool aborted;    // complete with `status` without doing the work
    HANDLE process;  // system-data write: the caller, and where its bytes are
    ULONG address;
    ULONG length;
    UCHAR selector;
    bool writeTimesOut;
    bool replayed;  // an answer of the replay, whose ticket follows
    ULONG replayTicket;
    Bytes input;  // for the journal
};

// A recorded session being replayed (Replay.cpp).
struct Replay {
    UCHAR* script;   // the loaded script, whole; null: no replay
    ULONG* offsets;  // of each step in `script`
    ULONG steps;
    ULONG cursor;        // the next step
    ULONG ticket;        // changes at every load and clear; a queued camera event compares it
    ULONG camera;        // the camera the replay attached
    bool attached;       // and has not removed since
    bool refused;        // the camera's refusal folder is there
    ULONG lastAnswerMs;  // the recorded moment of the last answer given
    WCHAR folder[camsim::kMaxReplayFolderChars + 1];  // where refusals are made; empty: none
    camsim::ReplayStatus status;
};

struct State {
    KSEMAPHORE lock;
    KSEMAPHORE changeLock;
    PDRIVER_OBJECT driver;
    PDEVICE_OBJECT control;
    bool controlLinked;
    Camera cameras[camsim::kMaxCameras];

    USHORT productCode;
    UCHAR versionBlock[14];
    UCHAR transfer;
    ULONG writeTimeUs;
    ULONG completion;  // 0 immediate, 1 pending
    ULONG delayMs;
    Bytes controls[256];
    Bytes images[256];
    Bytes events[6];
    Fault faults[camsim::kFunctionCount];
    bool hold[camsim::kFunctionCount];
    ULONG delayNext[camsim::kFunctionCount];  // milliseconds, 0: none
    ULONG sequence;
    ULONG cancelled;
    ULONG opens;

    Replay replay;
    ULONG replayEventPauseMs;  // between a camera event's check and its action; for tests
    ULONG eventsActing;        // camera events between their check and the end of their action

    struct JournalItem* journal;
    ULONG journalFirst;
    ULONG journalCount;
    ULONG journalBytes;
    ULONG nextRecord;

    LIST_ENTRY queue;
    KEVENT wake;
    HANDLE worker;
    bool stopping;
};

// Plain data only: no constructor runs in a driver image.
extern State g;

LONGLONG Now();
void RestoreDefaults();  // under the lock

// Journal.cpp
struct JournalItem {
    ULONG record;
    ULONG sequence;
    ULONG completedAfter;
    ULONG camera;
    ULONG code;
    ULONG outputSize;
    NTSTATUS status;
    ULONG information;
    Bytes input;
};
bool JournalInit();
void JournalAdd(Pending* request, NTSTATUS status, ULONG information);  // takes the input
void JournalClear();
void JournalFree();
ULONG JournalRead(ULONG firstRecord, UCHAR* out, ULONG outSize, ULONG* information);

// Worker.cpp
NTSTATUS WorkerStart();
void WorkerStop();               // finishes everything still queued first
void Enqueue(Pending* pending);  // under the lock
void Finish(Pending* pending, NTSTATUS status, ULONG information);  // completes, journals, frees
void Discard(Pending* pending);

// Cancellation.cpp. A request waiting with the driver can be cancelled: its cancel routine
// takes it from the queue or the held list and completes it.
bool ArmCancel(PIRP irp);  // under the lock; false: cancelled already, complete it as such
bool Disarm(PIRP irp);     // under the lock; false: its cancel routine completes it
ULONG CountOutstanding();  // under the lock

// Cameras.cpp
void ClearStaleRegistrations();
NTSTATUS AttachCamera(ULONG delayMs, ULONG* index);
NTSTATUS AttachNow(ULONG index);
NTSTATUS DetachCamera(ULONG index);
void DetachAll();
void DeleteCameras();

// The calling process of a request, opened for reading while the request is in its context.
NTSTATUS OpenRequestor(PIRP irp, HANDLE* process);
bool ReadCallerBytes(HANDLE process, ULONG address, UCHAR* out, ULONG size);

// CameraRequests.cpp
NTSTATUS DispatchCameraRequest(PDEVICE_OBJECT device, PIRP irp);

// Sha256.cpp
void Sha256(const UCHAR* data, ULONG size, UCHAR digest[32]);

// Replay.cpp. While a replay is loaded it answers every camera request.
// The image behind a system-data write's record, as the replay compares it.
struct ReceivedImage {
    ULONG size;        // camsim::kImageUnreadable: it could not be read
    UCHAR bytes[256];  // the first bytes, whole when the image is no larger
    UCHAR sha256[32];  // of the whole image
};
// A ReplayLoad, its folder and the script; resets the camera first.
NTSTATUS ReplayLoad(const UCHAR* in, ULONG size);
void ReplayClear();   // under the lock
bool ReplayLoaded();  // under the lock
// Under the lock: a replayed answer that was completed later has reached its caller.
void ReplayDelivered(const Pending* request);
void ReadReceivedImage(PIRP irp, const UCHAR* record, ReceivedImage* image);
// Under the lock: the recorded answer, or the failure that ends the replay. The camera events
// that follow the answer go into `events`, to be queued once the answer is on its way: an event
// due with the answer comes after it.
NTSTATUS ReplayAnswer(ULONG sequence, ULONG code, UCHAR* buffer, ULONG in, ULONG out,
                      const ReceivedImage* image, ULONG* information, LONGLONG* delay,
                      LIST_ENTRY* events);
void ReplayQueueEvents(LIST_ENTRY* events);  // under the lock
void ReplayEventDue(Pending* event);         // the worker's: a camera event falls due
NTSTATUS ReplayReadStatus(UCHAR* out, ULONG outSize, ULONG* information);

// ControlRequests.cpp
NTSTATUS DispatchControlRequest(PIRP irp);

}  // namespace sim
