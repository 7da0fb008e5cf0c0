// The 27 camera requests: size checks, faults, held requests, and the camera's answers.
#include "Driver.h"

#ifndef PROCESS_VM_READ
#define PROCESS_VM_READ 0x0010
#endif

namespace sim {

namespace {

constexpr ULONG kAny = 0xFFFFFFFFu;

struct Sizes {
    ULONG in;
    ULONG out;
};

// Input and output sizes per function; kAny rows are checked in SizesFit.
const Sizes kSizes[camsim::kFunctionCount] = {
    {4, 0},    {0, 76},   {0, 12}, {0, 36}, {0, 12},   {0, 16},   {0, 129},  {1, kAny}, {1, kAny},
    {kAny, 0}, {0, 2242}, {6, 60}, {0, 32}, {8, 12},   {20, 12},  {1, 1},    {3, 1},    {0, 33},
    {1, 4},    {8, 4},    {12, 0}, {8, 8},  {0, kAny}, {8, kAny}, {kAny, 0}, {0, 32},   {0, 8},
};

ULONG ReadU32(const UCHAR* p) {
    ULONG v;
    RtlCopyMemory(&v, p, sizeof(v));
    return v;
}

void WriteU32(UCHAR* p, ULONG v) {
    RtlCopyMemory(p, &v, sizeof(v));
}

ULONG HeaderLength(const UCHAR* header) {
    return header[6] | (static_cast<ULONG>(header[7]) << 8);
}

bool SizesFit(ULONG function, ULONG in, ULONG out, const UCHAR* buffer) {
    const Sizes& sizes = kSizes[function];
    if ((sizes.in != kAny && in != sizes.in) || (sizes.out != kAny && out != sizes.out)) {
        return false;
    }
    switch (function) {
        case 7:
            return out >= 4 && (out - 4) % 4 == 0;
        case 9:
            return in >= 4;
        case 23:
            return out == HeaderLength(buffer);
        case 24:
            return in >= 8 && in == 8 + HeaderLength(buffer);
        default:
            return true;
    }
}

void FillPattern(UCHAR* out, ULONG function, ULONG size) {
    for (ULONG i = 0; i < size; ++i) {
        out[i] = camsim::PatternByte(function, i);
    }
}

// Delivers `size` bytes of `source`, cut or padded with zeros to the caller's size.
void CopyPadded(UCHAR* out, ULONG outSize, const UCHAR* source, ULONG size) {
    ULONG n = size < outSize ? size : outSize;
    if (n != 0) {
        RtlMoveMemory(out, source, n);
    }
    if (outSize > n) {
        RtlZeroMemory(out + n, outSize - n);
    }
}

// Answers a request from the camera's state; under the lock.
NTSTATUS Serve(ULONG function, Camera& camera, UCHAR* buffer, ULONG in, ULONG out,
               ULONG* information) {
    *information = out;
    switch (function) {
        case 0:
            camera.timeoutMs = ReadU32(buffer);
            camera.timeoutSet = true;
            break;
        case 1:
        case 2:
        case 3:
        case 4:
        case 5: {
            // An event is reported once.
            Bytes& event = g.events[function];
            CopyPadded(buffer, out, event.data, event.size);
            ClearBytes(&event);
            break;
        }
        case 8: {
            UCHAR control = buffer[0];
            if (control == 61) {
                CopyPadded(buffer, out, g.versionBlock, sizeof(g.versionBlock));
            } else {
                const Bytes& value = g.controls[control];
                CopyPadded(buffer, out, value.data, value.size);
            }
            break;
        }
        case 9:
            if (!AssignBytes(&g.controls[buffer[0]], buffer + 4, in - 4)) {
                return STATUS_INSUFFICIENT_RESOURCES;
            }
            break;
        case 15:
            buffer[0] = g.transfer;
            break;
        case 16:
            g.transfer = buffer[1];
            buffer[0] = g.transfer;
            break;
        case 18:
            WriteU32(buffer, g.images[buffer[0]].size);
            break;
        case 22:
            *information = out < camsim::kBufferTableSize ? out : camsim::kBufferTableSize;
            FillPattern(buffer, function, *information);
            break;
        case 24:
            break;
        case 25:
            RtlZeroMemory(buffer, out);
            WriteU32(buffer, camera.lastError);
            break;
        case 26: {
            const UCHAR record[8] = {0x08,
                                     0x00,
                                     static_cast<UCHAR>(g.productCode & 0xFF),
                                     static_cast<UCHAR>(g.productCode >> 8),
                                     0x01,
                                     0x00,
                                     0x00,
                                     0x00};
            RtlCopyMemory(buffer, record, sizeof(record));
            break;
        }
        default:
            FillPattern(buffer, function, out);
            break;
    }
    return STATUS_SUCCESS;
}

Fault* TakeFault(ULONG function) {
    Fault& fault = g.faults[function];
    if (!fault.active) {
        return nullptr;
    }
    if (fault.remaining != 0 && --fault.remaining == 0) {
        fault.active = false;
    }
    return &fault;
}

// Sets up a system-data write: the caller's process is opened now, while the request is in
// its context, and read by the worker when the write falls due.
NTSTATUS PrepareWrite(Pending* p, const Camera& camera, const UCHAR* record, PIRP irp,
                      LONGLONG* delay) {
    p->selector = record[0];
    p->address = ReadU32(record + 4);
    p->length = ReadU32(record + 8);
    if (p->length > kMaxImageSize) {
        return STATUS_INVALID_PARAMETER;
    }
    NTSTATUS status = OpenRequestor(irp, &p->process);
    if (!NT_SUCCESS(status)) {
        p->process = nullptr;
        p->setsLastError = true;
        p->driverError = kDriverErrorUnreadable;
        return status;
    }
    ULONGLONG microseconds = static_cast<ULONGLONG>(p->length) * g.writeTimeUs;
    if (camera.timeoutSet && microseconds > static_cast<ULONGLONG>(camera.timeoutMs) * 1000u) {
        p->writeTimesOut = true;
        *delay = static_cast<LONGLONG>(camera.timeoutMs) * 10000;
    } else {
        *delay = static_cast<LONGLONG>(microseconds) * 10;
        if (g.completion != 0) {
            *delay += static_cast<LONGLONG>(g.delayMs) * 10000;
        }
    }
    p->work = Work::Write;
    return STATUS_SUCCESS;
}

// Under the lock: queues the request to complete with this answer `delay` from now. False when
// it was cancelled already: the answer becomes that, for the caller to complete at once.
bool CompleteLater(PIRP irp, Pending* p, LONGLONG delay, NTSTATUS* status, ULONG* information) {
    p->status = *status;
    p->information = *information;
    p->due = Now() + delay;
    if (ArmCancel(irp)) {
        IoMarkIrpPending(irp);
        Enqueue(p);
        return true;
    }
    *status = STATUS_CANCELLED;
    *information = 0;
    return false;
}

// A replay answers every request while it is loaded; a write's image is read and digested
// first, outside the lock. False: no replay is loaded, and the camera answers as itself.
bool Replayed(PIRP irp, Pending* p, UCHAR* buffer, ULONG in, ULONG out, NTSTATUS* result) {
    {
        Lock lock;
        if (!ReplayLoaded()) {
            return false;
        }
    }
    ReceivedImage image = {};
    const bool write = p->code == camsim::RequestCode(20) && in == 12 && buffer != nullptr;
    if (write) {
        ReadReceivedImage(irp, buffer, &image);
    }
    ULONG information = 0;
    LONGLONG delay = 0;
    NTSTATUS status;
    LIST_ENTRY events;
    InitializeListHead(&events);
    {
        Lock lock;
        if (!ReplayLoaded()) {
            return false;  // cleared meanwhile
        }
        p->sequence = ++g.sequence;
        status = ReplayAnswer(p->sequence, p->code, buffer, in, out, write ? &image : nullptr,
                              &information, &delay, &events);
        // A slow camera stays slow. The replay counts the answer as on its way until Finish.
        if (delay > 0) {
            p->replayed = true;
            p->replayTicket = g.replay.ticket;
            if (CompleteLater(irp, p, delay, &status, &information)) {
                ReplayQueueEvents(&events);
                *result = STATUS_PENDING;
                return true;
            }
        }
    }
    Finish(p, status, information);
    {
        Lock lock;
        ReplayQueueEvents(&events);  // each carries its replay's ticket
    }
    *result = status;
    return true;
}

}  // namespace

NTSTATUS OpenRequestor(PIRP irp, HANDLE* process) {
    const NTSTATUS status =
        ObOpenObjectByPointer(IoGetRequestorProcess(irp), OBJ_KERNEL_HANDLE, nullptr,
                              PROCESS_VM_READ, nullptr, KernelMode, process);
    if (!NT_SUCCESS(status)) {
        *process = nullptr;
    }
    return status;
}

NTSTATUS DispatchCameraRequest(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG index = static_cast<DeviceExtension*>(device->DeviceExtension)->index;
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    // Only a buffered request has its buffers in the I/O manager's hands; any other code is
    // refused before its buffers are looked at, by the replay too.
    if ((code & 3u) != METHOD_BUFFERED) {
        irp->IoStatus.Status = STATUS_INVALID_DEVICE_REQUEST;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_INVALID_DEVICE_REQUEST;
    }
    auto* buffer = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    const ULONG openedIn =
        stack->FileObject != nullptr
            ? static_cast<ULONG>(reinterpret_cast<ULONG_PTR>(stack->FileObject->FsContext))
            : 0;

    auto* p = static_cast<Pending*>(Allocate(sizeof(Pending)));
    if (p == nullptr || !AssignBytes(&p->input, buffer, buffer != nullptr ? in : 0)) {
        if (p != nullptr) {
            Discard(p);
        }
        irp->IoStatus.Status = STATUS_INSUFFICIENT_RESOURCES;
        irp->IoStatus.Information = 0;
        IoCompleteRequest(irp, IO_NO_INCREMENT);
        return STATUS_INSUFFICIENT_RESOURCES;
    }
    p->work = Work::Complete;
    p->irp = irp;
    p->camera = index;
    p->code = code;
    p->outputSize = out;
    NTSTATUS replayed;
    if (Replayed(irp, p, buffer, in, out, &replayed)) {
        return replayed;
    }

    NTSTATUS status;
    ULONG information = 0;
    {
        Lock lock;
        Camera& camera = g.cameras[index];
        p->sequence = ++g.sequence;
        p->generation = camera.generation;
        const ULONG function = camsim::RequestFunction(code);
        bool later = g.completion != 0;
        bool reached = false;  // the request reached the camera's behaviour
        LONGLONG delay = static_cast<LONGLONG>(g.delayMs) * 10000;
        if (!camera.attached || openedIn != camera.generation) {
            status = STATUS_DEVICE_NOT_CONNECTED;
            later = false;
        } else if ((code & 0xFFFF0003u) != 0x00220000u || function >= camsim::kFunctionCount) {
            status = STATUS_INVALID_DEVICE_REQUEST;
            later = false;
        } else if (!SizesFit(function, in, out, buffer)) {
            status = STATUS_INVALID_PARAMETER;
            later = false;
        } else if (g.hold[function]) {
            g.hold[function] = false;
            if (ArmCancel(irp)) {
                IoMarkIrpPending(irp);
                InsertTailList(&camera.held, &p->link);
                return STATUS_PENDING;
            }
            status = STATUS_CANCELLED;
            later = false;
        } else if (Fault* fault = TakeFault(function)) {
            reached = true;
            status = fault->status;
            p->setsLastError = true;
            p->driverError = fault->driverError;
            // A warning is no failure to deliver: the reply goes out with it.
            if (NT_WARNING(status)) {
                Serve(function, camera, buffer, in, out, &information);
            }
        } else if (function == 20) {
            reached = true;
            status = PrepareWrite(p, camera, buffer, irp, &delay);
            // A write takes time, whatever the completion mode.
            later = NT_SUCCESS(status);
        } else {
            reached = true;
            status = Serve(function, camera, buffer, in, out, &information);
        }
        if (reached && g.delayNext[function] != 0) {
            // Served now, completed later: a slow camera.
            delay = (function == 20 && later ? delay : 0) +
                    static_cast<LONGLONG>(g.delayNext[function]) * 10000;
            g.delayNext[function] = 0;
            later = true;
        }
        if (later && CompleteLater(irp, p, delay, &status, &information)) {
            return STATUS_PENDING;
        }
    }
    Finish(p, status, information);
    return status;
}

}  // namespace sim
