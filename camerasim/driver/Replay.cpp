// Replay of a recorded session: the camera appears, answers and goes as the script says, step
// by step, until a request differs from the one recorded. From then on every request fails.
#include "Driver.h"

extern "C" __declspec(dllimport) int __stdcall CreateDirectoryW(const WCHAR* path, void* security);
extern "C" __declspec(dllimport) int __stdcall RemoveDirectoryW(const WCHAR* path);
extern "C" __declspec(dllimport) ULONG __stdcall GetLastError();

namespace sim {

namespace {

constexpr ULONG kSetSystemData = 0x00220050;
constexpr ULONG kErrorAlreadyExists = 183;
constexpr ULONG kLargestCopied = sizeof(ReceivedImage::bytes);

ULONGLONG Padded(ULONG size) {
    return (static_cast<ULONGLONG>(size) + 3) & ~3ull;
}

const camsim::ReplayStep& StepAt(ULONG index) {
    return *reinterpret_cast<const camsim::ReplayStep*>(g.replay.script + g.replay.offsets[index]);
}

const UCHAR* InputOf(const camsim::ReplayStep& step) {
    return reinterpret_cast<const UCHAR*>(&step + 1);
}

const UCHAR* ImageOf(const camsim::ReplayStep& step) {
    return InputOf(step) +
           ((step.flags & camsim::kReplayInputDigest) != 0 ? 0 : Padded(step.inputSize));
}

const UCHAR* OutputOf(const camsim::ReplayStep& step) {
    const bool copied =
        (step.flags & camsim::kReplayImage) != 0 && (step.flags & camsim::kReplayImageDigest) == 0;
    return ImageOf(step) + (copied ? Padded(step.imageSize) : 0);
}

// A request the replay may answer as recorded: a buffered one, whose buffers the I/O manager
// owns, completed with a status that is final: a success, a warning or an error, never
// pending or any other informational value.
bool Answerable(const camsim::ReplayStep& step) {
    const NTSTATUS status = step.status;
    return (step.code & 3u) == METHOD_BUFFERED &&
           (status == STATUS_SUCCESS || NT_WARNING(status) || NT_ERROR(status));
}

// Walks the script once; every step must lie whole inside it, and nothing may follow the last.
bool Index(const UCHAR* script, ULONG size, ULONG* offsets, ULONG steps) {
    ULONGLONG at = sizeof(camsim::ReplayScript);
    for (ULONG i = 0; i < steps; ++i) {
        if (at + sizeof(camsim::ReplayStep) > size) {
            return false;
        }
        camsim::ReplayStep step;
        RtlCopyMemory(&step, script + at, sizeof(step));
        if (step.kind > camsim::kReplayOpened ||
            (step.kind == camsim::kReplayRequest && !Answerable(step))) {
            return false;
        }
        offsets[i] = static_cast<ULONG>(at);
        at += sizeof(step) + Padded(step.outputSize);
        if ((step.flags & camsim::kReplayInputDigest) == 0) {
            at += Padded(step.inputSize);
        }
        if ((step.flags & camsim::kReplayImage) != 0 &&
            (step.flags & camsim::kReplayImageDigest) == 0) {
            if (step.imageSize > kLargestCopied) {
                return false;
            }
            at += Padded(step.imageSize);
        }
    }
    return at == size;
}

bool SameDigest(const UCHAR* data, ULONG size, const uint8_t (&expected)[32]) {
    UCHAR digest[32];
    Sha256(data, size, digest);
    return RtlCompareMemory(digest, expected, sizeof(digest)) == sizeof(digest);
}

bool InputMatches(const camsim::ReplayStep& step, ULONG code, const UCHAR* buffer, ULONG in) {
    if (in != step.inputSize) {
        return false;
    }
    if ((step.flags & camsim::kReplayInputDigest) != 0) {
        return SameDigest(buffer, in, step.inputSha256);
    }
    if (in == 0) {
        return true;
    }
    // A write's record holds the address of its image, which differs from run to run: the
    // trace keeps it zero.
    if (code == kSetSystemData && in == 12) {
        UCHAR record[12];
        RtlCopyMemory(record, buffer, sizeof(record));
        RtlZeroMemory(record + 4, 4);
        return RtlCompareMemory(record, InputOf(step), sizeof(record)) == sizeof(record);
    }
    return RtlCompareMemory(buffer, InputOf(step), in) == in;
}

bool ImageMatches(const camsim::ReplayStep& step, const ReceivedImage* image) {
    if ((step.flags & camsim::kReplayImage) == 0) {
        return image == nullptr || image->size == 0;
    }
    if (image == nullptr || image->size != step.imageSize) {
        return false;
    }
    if ((step.flags & camsim::kReplayImageDigest) != 0) {
        return RtlCompareMemory(image->sha256, step.imageSha256, 32) == 32;
    }
    return RtlCompareMemory(image->bytes, ImageOf(step), image->size) == image->size;
}

// The camera events that follow the answer just given, due at their recorded moments counted
// from when that answer goes out, into `events` for ReplayQueueEvents. Under the lock.
void TakeEvents(LONGLONG answerDue, LIST_ENTRY* events) {
    Replay& r = g.replay;
    while (r.cursor < r.steps && StepAt(r.cursor).kind != camsim::kReplayRequest) {
        const camsim::ReplayStep& step = StepAt(r.cursor);
        auto* p = static_cast<Pending*>(Allocate(sizeof(Pending)));
        if (p != nullptr) {
            const ULONG gapMs = step.atMs > r.lastAnswerMs ? step.atMs - r.lastAnswerMs : 0;
            p->work = Work::ReplayEvent;
            p->code = step.kind;
            p->generation = r.ticket;
            p->due = answerDue + static_cast<LONGLONG>(gapMs) * 10000;
            InsertTailList(events, &p->link);
            ++r.status.outstanding;
        }
        ++r.cursor;
    }
}

// The folder that shadows the replay's camera in the prefix, so that its opens fail.
bool RefusalFolder(WCHAR (&path)[camsim::kMaxReplayFolderChars + 96]) {
    static const WCHAR kName[] = L"root#orvanecamsim#0000#{99a46fb3-6e59-4e87-90da-f7d0c1803dfb}";
    const Replay& r = g.replay;
    ULONG length = 0;
    while (r.folder[length] != 0) {
        path[length] = r.folder[length];
        ++length;
    }
    if (length == 0) {
        return false;  // not given: refusals are not replayed
    }
    for (ULONG i = 0; i < sizeof(kName) / sizeof(kName[0]); ++i) {
        path[length + i] = kName[i];
    }
    ULONG camera = r.camera;
    for (ULONG digit = 21; digit >= 18; --digit) {  // the instance number, 0000 to 0007
        path[length + digit] = static_cast<WCHAR>(L'0' + camera % 10);
        camera /= 10;
    }
    return true;
}

// Makes or lifts the refusal. Under the lock.
void Refuse(bool refuse) {
    Replay& r = g.replay;
    WCHAR path[camsim::kMaxReplayFolderChars + 96];
    if (r.refused == refuse || !RefusalFolder(path)) {
        return;
    }
    if (refuse) {
        r.refused = CreateDirectoryW(path, nullptr) || GetLastError() == kErrorAlreadyExists;
    } else {
        RemoveDirectoryW(path);
        r.refused = false;
    }
}

// The action of one camera event. Under the change lock, never under the lock.
void Act(ULONG kind) {
    ULONG camera;
    bool attached;
    {
        Lock lock;
        camera = g.replay.camera;
        attached = g.replay.attached;
        if (kind == camsim::kReplayRefusal || kind == camsim::kReplayOpened) {
            Refuse(kind == camsim::kReplayRefusal);
            return;
        }
    }
    // A camera found again while it is there stays the one camera; one removed is gone.
    if (kind == camsim::kReplayArrival && !attached) {
        ULONG index = 0;
        if (NT_SUCCESS(AttachCamera(0, &index))) {
            Lock lock;
            g.replay.camera = index;
            g.replay.attached = true;
        }
    } else if (kind == camsim::kReplayRemoval && attached) {
        DetachCamera(camera);
        Lock lock;
        g.replay.attached = false;
    }
}

// Carries out one camera event of the replay with this ticket, unless it was reset or loaded
// again since: the check and the action are one step to a reset or a reload. Under the change
// lock, never under the lock.
void CarryOut(ULONG kind, ULONG ticket) {
    ULONG pauseMs;
    {
        Lock lock;
        if (g.replay.ticket != ticket) {
            return;  // loaded again or cleared since
        }
        pauseMs = g.replayEventPauseMs;
        ++g.eventsActing;
    }
    if (pauseMs != 0) {
        LARGE_INTEGER pause;
        pause.QuadPart = -static_cast<LONGLONG>(pauseMs) * 10000;
        KeDelayExecutionThread(KernelMode, FALSE, &pause);
    }
    Act(kind);
    Lock lock;
    --g.eventsActing;
    if (g.replay.ticket == ticket) {
        ++g.replay.status.done;
    }
}

void End(ULONG sequence, ULONG differences, ULONG code, ULONG in, const ReceivedImage* image) {
    Replay& r = g.replay;
    camsim::ReplayStatus& s = r.status;
    s.state = camsim::kReplayMismatch;
    s.differences = differences;
    s.sequence = sequence;
    s.step = r.cursor;
    s.receivedCode = code;
    s.receivedInputSize = in;
    if (image != nullptr) {
        s.receivedImageSize = image->size;
        RtlCopyMemory(s.receivedImageSha256, image->sha256, 32);
    }
    if (r.cursor < r.steps) {
        const camsim::ReplayStep& step = StepAt(r.cursor);
        s.expectedCode = step.code;
        s.expectedInputSize = step.inputSize;
        s.expectedImageSize = (step.flags & camsim::kReplayImage) != 0 ? step.imageSize : 0;
        if ((step.flags & camsim::kReplayImageDigest) != 0) {
            RtlCopyMemory(s.expectedImageSha256, step.imageSha256, 32);
        } else {
            Sha256(ImageOf(step), s.expectedImageSize, s.expectedImageSha256);
        }
    }
}

}  // namespace

void ReplayClear() {
    Refuse(false);
    Free(g.replay.script);
    Free(g.replay.offsets);
    const ULONG ticket = g.replay.ticket + 1;
    RtlZeroMemory(&g.replay, sizeof(g.replay));
    g.replay.ticket = ticket;
}

bool ReplayLoaded() {
    return g.replay.script != nullptr;
}

NTSTATUS ReplayLoad(const UCHAR* in, ULONG size) {
    camsim::ReplayLoad load;
    if (in == nullptr || size < sizeof(load)) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(&load, in, sizeof(load));
    const ULONG folderBytes = load.folderChars * sizeof(WCHAR);
    if (load.folderChars > camsim::kMaxReplayFolderChars || size - sizeof(load) < folderBytes) {
        return STATUS_INVALID_PARAMETER;
    }
    const UCHAR* folder = in + sizeof(load);
    in = folder + folderBytes;
    size -= sizeof(load) + folderBytes;
    camsim::ReplayScript header;
    if (size < sizeof(header) || size > camsim::kMaxReplayScript) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(&header, in, sizeof(header));
    if (header.magic != camsim::kReplayMagic ||
        header.steps > (size - sizeof(header)) / sizeof(camsim::ReplayStep)) {
        return STATUS_INVALID_PARAMETER;
    }
    auto* script = static_cast<UCHAR*>(Allocate(size));
    auto* offsets = static_cast<ULONG*>(Allocate((header.steps + 1) * sizeof(ULONG)));
    if (script == nullptr || offsets == nullptr) {
        Free(script);
        Free(offsets);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    RtlCopyMemory(script, in, size);
    if (!Index(script, size, offsets, header.steps)) {
        Free(script);
        Free(offsets);
        return STATUS_INVALID_PARAMETER;
    }
    const ChangeLock change;
    DetachAll();
    ULONG ticket;
    ULONG first = camsim::kReplayRequest;  // what comes before the first request, if anything
    {
        Lock lock;
        RestoreDefaults();
        JournalClear();
        Replay& r = g.replay;
        r.script = script;
        r.offsets = offsets;
        r.steps = header.steps;
        RtlCopyMemory(r.folder, folder, folderBytes);
        r.folder[load.folderChars] = 0;
        r.status.state = camsim::kReplayRunning;
        r.status.steps = header.steps;
        ticket = r.ticket;
        if (r.steps > 0 && StepAt(0).kind != camsim::kReplayRequest) {
            first = StepAt(0).kind;
            r.lastAnswerMs = StepAt(0).atMs;
            r.cursor = 1;
        }
    }
    // The first is there before the program starts; what follows it before the first request
    // comes as long after it as recorded (a refused open, the open that then worked).
    if (first != camsim::kReplayRequest) {
        CarryOut(first, ticket);
        LIST_ENTRY events;
        InitializeListHead(&events);
        Lock lock;
        TakeEvents(Now(), &events);
        ReplayQueueEvents(&events);
    }
    return STATUS_SUCCESS;
}

void ReadReceivedImage(PIRP irp, const UCHAR* record, ReceivedImage* image) {
    ULONG address;
    RtlCopyMemory(&address, record + 4, sizeof(address));
    RtlCopyMemory(&image->size, record + 8, sizeof(image->size));
    HANDLE process = nullptr;
    UCHAR* data =
        image->size <= kMaxImageSize ? static_cast<UCHAR*>(Allocate(image->size + 1)) : nullptr;
    if (data == nullptr || !NT_SUCCESS(OpenRequestor(irp, &process)) ||
        !ReadCallerBytes(process, address, data, image->size)) {
        image->size = camsim::kImageUnreadable;
    } else {
        RtlCopyMemory(image->bytes, data,
                      image->size < kLargestCopied ? image->size : kLargestCopied);
        Sha256(data, image->size, image->sha256);
    }
    if (process != nullptr) {
        ZwClose(process);
    }
    Free(data);
}

NTSTATUS ReplayAnswer(ULONG sequence, ULONG code, UCHAR* buffer, ULONG in, ULONG out,
                      const ReceivedImage* image, ULONG* information, LONGLONG* delay,
                      LIST_ENTRY* events) {
    Replay& r = g.replay;
    *information = 0;
    *delay = 0;
    if (r.status.state != camsim::kReplayRunning) {
        return camsim::kStatusReplayEnded;
    }
    if (r.cursor == r.steps) {
        End(sequence, camsim::kBeyondTheEnd, code, in, image);
        return camsim::kStatusReplayEnded;
    }
    const camsim::ReplayStep& step = StepAt(r.cursor);
    ULONG differences = 0;
    if (code != step.code) {
        differences |= camsim::kDiffersCode;
    } else {
        if (!InputMatches(step, code, buffer, in)) {
            differences |= camsim::kDiffersInput;
        }
        if (!ImageMatches(step, image)) {
            differences |= camsim::kDiffersImage;
        }
    }
    if (differences != 0) {
        End(sequence, differences, code, in, image);
        return camsim::kStatusReplayEnded;
    }
    const ULONG delivered = step.outputSize < out ? step.outputSize : out;
    if (delivered != 0) {
        RtlCopyMemory(buffer, OutputOf(step), delivered);
    }
    *information = delivered;
    *delay = static_cast<LONGLONG>(step.microseconds) * 10;
    r.lastAnswerMs = step.atMs;
    ++r.cursor;
    ++r.status.done;
    if (*delay > 0) {
        ++r.status.outstanding;  // until ReplayDelivered
    }
    TakeEvents(Now() + *delay, events);
    return step.status;
}

void ReplayQueueEvents(LIST_ENTRY* events) {
    while (!IsListEmpty(events)) {
        Enqueue(CONTAINING_RECORD(RemoveHeadList(events), Pending, link));
    }
}

void ReplayDelivered(const Pending* request) {
    if (request->replayed && request->replayTicket == g.replay.ticket &&
        g.replay.status.outstanding > 0) {
        --g.replay.status.outstanding;
    }
}

void ReplayEventDue(Pending* event) {
    const ULONG kind = event->code;
    const ULONG ticket = event->generation;
    Discard(event);
    {
        const ChangeLock change;
        CarryOut(kind, ticket);
    }
    Lock lock;
    if (g.replay.ticket == ticket && g.replay.status.outstanding > 0) {
        --g.replay.status.outstanding;
    }
}

NTSTATUS ReplayReadStatus(UCHAR* out, ULONG outSize, ULONG* information) {
    camsim::ReplayStatus status;
    if (outSize != sizeof(status)) {
        return STATUS_INVALID_PARAMETER;
    }
    {
        Lock lock;
        status = g.replay.status;
        status.eventsActing = g.eventsActing;
        // Complete once the last step has happened, not when it was only scheduled.
        if (status.state == camsim::kReplayRunning && g.replay.cursor == g.replay.steps &&
            status.outstanding == 0) {
            status.state = camsim::kReplayComplete;
        }
    }
    RtlCopyMemory(out, &status, sizeof(status));
    *information = sizeof(status);
    return STATUS_SUCCESS;
}

}  // namespace sim
