// Driver entry and unload, and the routing of requests to the control device and the cameras.
#include "Driver.h"

namespace sim {

State g;

namespace {

const WCHAR kControlName[] = L"\\Device\\OrvaneCamSimControl";
const WCHAR kControlLink[] = L"\\DosDevices\\OrvaneCamSimControl";

NTSTATUS Complete(PIRP irp, NTSTATUS status, ULONG_PTR information) {
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

DeviceExtension* ExtensionOf(PDEVICE_OBJECT device) {
    return static_cast<DeviceExtension*>(device->DeviceExtension);
}

// Wine's IoRegisterDeviceInterface asks the device for its IDs; nobody else does.
WCHAR* QueryId(const DeviceExtension& ext, BUS_QUERY_ID_TYPE type) {
    static const WCHAR kDeviceId[] = L"ROOT\\ORVANECAMSIM";
    if (type == BusQueryDeviceID) {
        auto* id =
            static_cast<WCHAR*>(ExAllocatePoolWithTag(PagedPool, sizeof(kDeviceId), kPoolTag));
        if (id != nullptr) {
            RtlCopyMemory(id, kDeviceId, sizeof(kDeviceId));
        }
        return id;
    }
    if (type == BusQueryInstanceID) {
        auto* id =
            static_cast<WCHAR*>(ExAllocatePoolWithTag(PagedPool, 5 * sizeof(WCHAR), kPoolTag));
        if (id != nullptr) {
            ULONG n = ext.index;
            for (int i = 3; i >= 0; --i) {
                id[i] = static_cast<WCHAR>(L'0' + n % 10);
                n /= 10;
            }
            id[4] = 0;
        }
        return id;
    }
    return nullptr;
}

NTSTATUS NTAPI DispatchPnp(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    DeviceExtension* ext = ExtensionOf(device);
    if (ext->kind == DeviceKind::Camera && stack->MinorFunction == IRP_MN_QUERY_ID) {
        BUS_QUERY_ID_TYPE type = stack->Parameters.QueryId.IdType;
        if (type == BusQueryDeviceID || type == BusQueryInstanceID) {
            WCHAR* id = QueryId(*ext, type);
            if (id == nullptr) {
                return Complete(irp, STATUS_INSUFFICIENT_RESOURCES, 0);
            }
            return Complete(irp, STATUS_SUCCESS, reinterpret_cast<ULONG_PTR>(id));
        }
    }
    NTSTATUS status = irp->IoStatus.Status;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
    return status;
}

NTSTATUS NTAPI DispatchCreateClose(PDEVICE_OBJECT device, PIRP irp) {
    PIO_STACK_LOCATION stack = IoGetCurrentIrpStackLocation(irp);
    DeviceExtension* ext = ExtensionOf(device);
    if (ext->kind == DeviceKind::Camera && stack->MajorFunction == IRP_MJ_CREATE &&
        stack->FileObject != nullptr) {
        // The handle belongs to this attachment only: after a detach it stays dead.
        Lock lock;
        stack->FileObject->FsContext =
            reinterpret_cast<PVOID>(static_cast<ULONG_PTR>(g.cameras[ext->index].generation));
        ++g.opens;
    }
    return Complete(irp, STATUS_SUCCESS, 0);
}

NTSTATUS NTAPI DispatchDeviceControl(PDEVICE_OBJECT device, PIRP irp) {
    if (ExtensionOf(device)->kind == DeviceKind::Control) {
        return DispatchControlRequest(irp);
    }
    return DispatchCameraRequest(device, irp);
}

void NTAPI Unload(PDRIVER_OBJECT) {
    WorkerStop();
    DeleteCameras();
    if (g.controlLinked) {
        UNICODE_STRING link;
        RtlInitUnicodeString(&link, kControlLink);
        IoDeleteSymbolicLink(&link);
        g.controlLinked = false;
    }
    if (g.control != nullptr) {
        IoDeleteDevice(g.control);
        g.control = nullptr;
    }
    {
        Lock lock;
        ClearStoredBytes();
        ReplayClear();
    }
    JournalFree();
}

NTSTATUS CreateControlDevice(PDRIVER_OBJECT driver) {
    UNICODE_STRING name;
    RtlInitUnicodeString(&name, kControlName);
    NTSTATUS status = IoCreateDevice(driver, sizeof(DeviceExtension), &name, FILE_DEVICE_UNKNOWN,
                                     FILE_DEVICE_SECURE_OPEN, FALSE, &g.control);
    if (!NT_SUCCESS(status)) {
        g.control = nullptr;
        return status;
    }
    ExtensionOf(g.control)->kind = DeviceKind::Control;
    g.control->Flags |= DO_BUFFERED_IO;
    g.control->Flags &= ~DO_DEVICE_INITIALIZING;
    UNICODE_STRING link;
    RtlInitUnicodeString(&link, kControlLink);
    status = IoCreateSymbolicLink(&link, &name);
    g.controlLinked = NT_SUCCESS(status);
    return status;
}

}  // namespace

void* Allocate(SIZE_T size) {
    void* p = ExAllocatePoolWithTag(NonPagedPool, size == 0 ? 1 : size, kPoolTag);
    if (p != nullptr) {
        RtlZeroMemory(p, size == 0 ? 1 : size);
    }
    return p;
}

void Free(void* p) {
    if (p != nullptr) {
        ExFreePoolWithTag(p, kPoolTag);
    }
}

void ClearBytes(Bytes* bytes) {
    Free(bytes->data);
    bytes->data = nullptr;
    bytes->size = 0;
    bytes->present = false;
}

// Control values, images and queued events: everything the cameras were told or sent.
void ClearStoredBytes() {
    for (Bytes& b : g.controls)
        ClearBytes(&b);
    for (Bytes& b : g.images)
        ClearBytes(&b);
    for (Bytes& b : g.events)
        ClearBytes(&b);
}

bool AssignBytes(Bytes* bytes, const void* source, ULONG size) {
    auto* data = static_cast<UCHAR*>(Allocate(size));
    if (data == nullptr) {
        return false;
    }
    if (size != 0) {
        RtlCopyMemory(data, source, size);
    }
    ClearBytes(bytes);
    bytes->data = data;
    bytes->size = size;
    bytes->present = true;
    return true;
}

Lock::Lock() {
    KeWaitForSingleObject(&g.lock, Executive, KernelMode, FALSE, nullptr);
}

Lock::~Lock() {
    KeReleaseSemaphore(&g.lock, IO_NO_INCREMENT, 1, FALSE);
}

ChangeLock::ChangeLock() {
    KeWaitForSingleObject(&g.changeLock, Executive, KernelMode, FALSE, nullptr);
}

ChangeLock::~ChangeLock() {
    KeReleaseSemaphore(&g.changeLock, IO_NO_INCREMENT, 1, FALSE);
}

LONGLONG Now() {
    LARGE_INTEGER t;
    KeQuerySystemTime(&t);
    return t.QuadPart;
}

void RestoreDefaults() {
    static const UCHAR kVersionBlock[14] = {0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01,
                                            0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0x01};
    g.productCode = 0x7012;
    RtlCopyMemory(g.versionBlock, kVersionBlock, sizeof(kVersionBlock));
    g.transfer = 1;
    g.writeTimeUs = 1;
    g.completion = 0;
    g.delayMs = 0;
    ClearStoredBytes();
    RtlZeroMemory(g.faults, sizeof(g.faults));
    RtlZeroMemory(g.hold, sizeof(g.hold));
    RtlZeroMemory(g.delayNext, sizeof(g.delayNext));
    g.sequence = 0;
    g.cancelled = 0;
    g.opens = 0;
    g.replayEventPauseMs = 0;
    ReplayClear();
}

}  // namespace sim

extern "C" NTSTATUS NTAPI DriverEntry(PDRIVER_OBJECT driver, PUNICODE_STRING) {
    using namespace sim;
    KeInitializeSemaphore(&g.lock, 1, 1);
    KeInitializeSemaphore(&g.changeLock, 1, 1);
    InitializeListHead(&g.queue);
    KeInitializeEvent(&g.wake, SynchronizationEvent, FALSE);
    g.driver = driver;
    for (Camera& camera : g.cameras) {
        InitializeListHead(&camera.held);
    }
    {
        Lock lock;
        RestoreDefaults();
    }
    if (!JournalInit()) {
        return STATUS_INSUFFICIENT_RESOURCES;
    }

    driver->MajorFunction[IRP_MJ_CREATE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLEANUP] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_CLOSE] = DispatchCreateClose;
    driver->MajorFunction[IRP_MJ_DEVICE_CONTROL] = DispatchDeviceControl;
    driver->MajorFunction[IRP_MJ_PNP] = DispatchPnp;
    driver->DriverUnload = Unload;

    // A previous run that died leaves its interfaces looking present.
    ClearStaleRegistrations();

    NTSTATUS status = CreateControlDevice(driver);
    if (NT_SUCCESS(status)) {
        status = WorkerStart();
    }
    if (!NT_SUCCESS(status)) {
        Unload(driver);
    }
    return status;
}
