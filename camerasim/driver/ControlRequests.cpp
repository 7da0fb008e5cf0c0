// Private requests on the control device: scenario, cameras, faults, journal and images.
// All of them complete at once.
#include "Driver.h"

namespace sim {

namespace {

NTSTATUS ReadValue(const UCHAR* in, ULONG inSize, ULONG* value) {
    if (inSize != sizeof(ULONG)) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(value, in, sizeof(ULONG));
    return STATUS_SUCCESS;
}

NTSTATUS Reset() {
    const ChangeLock change;
    DetachAll();
    Lock lock;
    RestoreDefaults();
    JournalClear();
    return STATUS_SUCCESS;
}

NTSTATUS StoreValue(Bytes* table, ULONG tableSize, const UCHAR* in, ULONG inSize) {
    camsim::ValueRecord record;
    if (inSize < sizeof(record)) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(&record, in, sizeof(record));
    if (record.id >= tableSize || inSize - sizeof(record) != record.size) {
        return STATUS_INVALID_PARAMETER;
    }
    Lock lock;
    return AssignBytes(&table[record.id], in + sizeof(record), record.size)
               ? STATUS_SUCCESS
               : STATUS_INSUFFICIENT_RESOURCES;
}

// A control record that names one of the camera's request functions, checked for size and
// function.
template <typename Record>
bool TakeFunctionRecord(const UCHAR* in, ULONG inSize, Record* record) {
    if (inSize != sizeof(*record)) {
        return false;
    }
    RtlCopyMemory(record, in, sizeof(*record));
    return record->function < camsim::kFunctionCount;
}

NTSTATUS SetFault(const UCHAR* in, ULONG inSize) {
    camsim::FaultRecord record;
    if (!TakeFunctionRecord(in, inSize, &record)) {
        return STATUS_INVALID_PARAMETER;
    }
    Lock lock;
    Fault& fault = g.faults[record.function];
    fault.active = true;
    fault.driverError = record.driverError;
    fault.status = record.status;
    fault.remaining = record.count;
    return STATUS_SUCCESS;
}

NTSTATUS DelayNext(const UCHAR* in, ULONG inSize) {
    camsim::DelayRecord record;
    if (!TakeFunctionRecord(in, inSize, &record)) {
        return STATUS_INVALID_PARAMETER;
    }
    Lock lock;
    g.delayNext[record.function] = record.milliseconds;
    return STATUS_SUCCESS;
}

NTSTATUS ReadStatus(UCHAR* out, ULONG outSize, ULONG* information) {
    camsim::StatusRecord record;
    if (outSize != sizeof(record)) {
        return STATUS_INVALID_PARAMETER;
    }
    {
        Lock lock;
        record.received = g.sequence;
        record.outstanding = CountOutstanding();
        record.cancelled = g.cancelled;
        record.opens = g.opens;
    }
    RtlCopyMemory(out, &record, sizeof(record));
    *information = sizeof(record);
    return STATUS_SUCCESS;
}

NTSTATUS ReadImage(UCHAR* buffer, ULONG inSize, ULONG outSize, ULONG* information) {
    camsim::ImageQuery query;
    camsim::ImagePage page;
    if (inSize != sizeof(query) || outSize < sizeof(page)) {
        return STATUS_INVALID_PARAMETER;
    }
    RtlCopyMemory(&query, buffer, sizeof(query));
    if (query.selector > 255) {
        return STATUS_INVALID_PARAMETER;
    }
    Lock lock;
    const Bytes& image = g.images[query.selector];
    page.present = image.present ? 1 : 0;
    page.totalSize = image.size;
    page.bytes = 0;
    if (query.offset < image.size) {
        ULONG left = image.size - query.offset;
        ULONG room = outSize - sizeof(page);
        page.bytes = left < room ? left : room;
        RtlCopyMemory(buffer + sizeof(page), image.data + query.offset, page.bytes);
    }
    RtlCopyMemory(buffer, &page, sizeof(page));
    *information = sizeof(page) + page.bytes;
    return STATUS_SUCCESS;
}

NTSTATUS InterfacePath(UCHAR* buffer, ULONG inSize, ULONG outSize, ULONG* information) {
    ULONG index;
    NTSTATUS status = ReadValue(buffer, inSize, &index);
    if (!NT_SUCCESS(status) || index >= camsim::kMaxCameras) {
        return STATUS_INVALID_PARAMETER;
    }
    Lock lock;
    const UNICODE_STRING& link = g.cameras[index].link;
    if (link.Buffer == nullptr) {
        return STATUS_NOT_FOUND;
    }
    ULONG size = link.Length + sizeof(WCHAR);
    if (outSize < size) {
        return STATUS_BUFFER_TOO_SMALL;
    }
    RtlCopyMemory(buffer, link.Buffer, link.Length);
    reinterpret_cast<WCHAR*>(buffer)[link.Length / sizeof(WCHAR)] = 0;
    *information = size;
    return STATUS_SUCCESS;
}

NTSTATUS Handle(ULONG function, UCHAR* buffer, ULONG in, ULONG out, ULONG* information) {
    ULONG value = 0;
    NTSTATUS status;
    switch (function) {
        case camsim::kCtlReset:
            return Reset();
        case camsim::kCtlAttach: {
            camsim::AttachRecord record;
            if (in != sizeof(record) || out != sizeof(ULONG)) {
                return STATUS_INVALID_PARAMETER;
            }
            RtlCopyMemory(&record, buffer, sizeof(record));
            ULONG index = 0;
            status = AttachCamera(record.delayMs, &index);
            if (NT_SUCCESS(status)) {
                RtlCopyMemory(buffer, &index, sizeof(index));
                *information = sizeof(index);
            }
            return status;
        }
        case camsim::kCtlDetach:
            status = ReadValue(buffer, in, &value);
            return NT_SUCCESS(status) ? DetachCamera(value) : status;
        case camsim::kCtlSetVersion:
            if (in != sizeof(g.versionBlock)) {
                return STATUS_INVALID_PARAMETER;
            } else {
                Lock lock;
                RtlCopyMemory(g.versionBlock, buffer, sizeof(g.versionBlock));
            }
            return STATUS_SUCCESS;
        case camsim::kCtlSetControl:
            return StoreValue(g.controls, 256, buffer, in);
        case camsim::kCtlSetEvent: {
            camsim::ValueRecord record;
            if (in < sizeof(record)) {
                return STATUS_INVALID_PARAMETER;
            }
            RtlCopyMemory(&record, buffer, sizeof(record));
            if (record.id < 1) {
                return STATUS_INVALID_PARAMETER;
            }
            return StoreValue(g.events, 6, buffer, in);
        }
        case camsim::kCtlSetFault:
            return SetFault(buffer, in);
        case camsim::kCtlClearFaults: {
            Lock lock;
            RtlZeroMemory(g.faults, sizeof(g.faults));
            RtlZeroMemory(g.hold, sizeof(g.hold));
            RtlZeroMemory(g.delayNext, sizeof(g.delayNext));
            return STATUS_SUCCESS;
        }
        case camsim::kCtlDelayNext:
            return DelayNext(buffer, in);
        case camsim::kCtlReadStatus:
            return ReadStatus(buffer, out, information);
        case camsim::kCtlReadJournal:
            status = ReadValue(buffer, in, &value);
            if (!NT_SUCCESS(status) || out < sizeof(camsim::JournalPage)) {
                return STATUS_INVALID_PARAMETER;
            } else {
                Lock lock;
                JournalRead(value, buffer, out, information);
            }
            return STATUS_SUCCESS;
        case camsim::kCtlClearJournal: {
            Lock lock;
            JournalClear();
            return STATUS_SUCCESS;
        }
        case camsim::kCtlReadImage:
            return ReadImage(buffer, in, out, information);
        case camsim::kCtlInterfacePath:
            return InterfacePath(buffer, in, out, information);
        case camsim::kCtlLoadReplay:
            return ReplayLoad(buffer, in);
        case camsim::kCtlReadReplay:
            return ReplayReadStatus(buffer, out, information);
        default:
            break;
    }

    // The rest set one 32-bit value.
    status = ReadValue(buffer, in, &value);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    Lock lock;
    switch (function) {
        case camsim::kCtlSetCompletion:
            if (value > 1) {
                return STATUS_INVALID_PARAMETER;
            }
            g.completion = value;
            return STATUS_SUCCESS;
        case camsim::kCtlSetDelay:
            g.delayMs = value;
            return STATUS_SUCCESS;
        case camsim::kCtlSetProduct:
            if (value > 0xFFFF) {
                return STATUS_INVALID_PARAMETER;
            }
            g.productCode = static_cast<USHORT>(value);
            return STATUS_SUCCESS;
        case camsim::kCtlSetTransfer:
            if (value > 0xFF) {
                return STATUS_INVALID_PARAMETER;
            }
            g.transfer = static_cast<UCHAR>(value);
            return STATUS_SUCCESS;
        case camsim::kCtlSetWriteTime:
            g.writeTimeUs = value;
            return STATUS_SUCCESS;
        case camsim::kCtlHold:
            if (value >= camsim::kFunctionCount) {
                return STATUS_INVALID_PARAMETER;
            }
            g.hold[value] = true;
            return STATUS_SUCCESS;
        case camsim::kCtlSetReplayEventPause:
            g.replayEventPauseMs = value;
            return STATUS_SUCCESS;
        default:
            return STATUS_INVALID_DEVICE_REQUEST;
    }
}

}  // namespace

NTSTATUS DispatchControlRequest(PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    const ULONG code = stack->Parameters.DeviceIoControl.IoControlCode;
    const ULONG in = stack->Parameters.DeviceIoControl.InputBufferLength;
    const ULONG out = stack->Parameters.DeviceIoControl.OutputBufferLength;
    auto* buffer = static_cast<UCHAR*>(irp->AssociatedIrp.SystemBuffer);
    const ULONG function = ((code >> 2) & 0xFFFu) - 0x800u;
    ULONG information = 0;
    NTSTATUS status = STATUS_INVALID_DEVICE_REQUEST;
    if (code == camsim::ControlCode(function)) {
        status = Handle(function, buffer, in, out, &information);
    }
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = NT_SUCCESS(status) ? information : 0;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

}  // namespace sim
