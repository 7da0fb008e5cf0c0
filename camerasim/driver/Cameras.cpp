// Attaching and detaching cameras: one device object per slot, created at its first attach and
// kept until unload, whose device interface is enabled while a camera is attached to it.
#include "Driver.h"

namespace sim {

namespace {

const GUID kCameraInterface = {
    0x99A46FB3, 0x6E59, 0x4E87, {0x90, 0xDA, 0xF7, 0xD0, 0xC1, 0x80, 0x3D, 0xFB}};

// A wide string assembled in place; long enough for every registry path used here.
class Path {
public:
    Path() { text_[0] = 0; }
    Path& Add(const WCHAR* s) {
        while (*s != 0 && length_ + 1 < kCapacity) {
            text_[length_++] = *s++;
        }
        text_[length_] = 0;
        return *this;
    }
    Path& AddIndex(ULONG index) {
        WCHAR digits[5] = {0, 0, 0, 0, 0};
        for (int i = 3; i >= 0; --i) {
            digits[i] = static_cast<WCHAR>(L'0' + index % 10);
            index /= 10;
        }
        return Add(digits);
    }
    const WCHAR* c_str() const { return text_; }

private:
    static constexpr ULONG kCapacity = 320;
    WCHAR text_[kCapacity];
    ULONG length_ = 0;
};

void DeleteRegistryValue(const Path& keyPath, const WCHAR* valueName) {
    UNICODE_STRING path;
    RtlInitUnicodeString(&path, keyPath.c_str());
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &path, OBJ_KERNEL_HANDLE | OBJ_CASE_INSENSITIVE,
                               nullptr, nullptr);
    HANDLE key = nullptr;
    if (NT_SUCCESS(ZwOpenKey(&key, KEY_SET_VALUE, &attributes))) {
        UNICODE_STRING value;
        RtlInitUnicodeString(&value, valueName);
        ZwDeleteValueKey(key, &value);
        ZwClose(key);
    }
}

// Wine marks the instance Phantom when an interface is registered, and refuses the next
// registration while the mark is there.
void ClearPhantom(ULONG index) {
    Path key;
    key.Add(L"\\Registry\\Machine\\System\\CurrentControlSet\\Enum\\ROOT\\ORVANECAMSIM\\")
        .AddIndex(index);
    DeleteRegistryValue(key, L"Phantom");
}

// SetupAPI calls an interface present when its Linked value says so, whoever wrote it.
void ClearLinked(ULONG index) {
    static const WCHAR kGuid[] = L"{99a46fb3-6e59-4e87-90da-f7d0c1803dfb}";
    Path key;
    key.Add(L"\\Registry\\Machine\\System\\CurrentControlSet\\Control\\DeviceClasses\\")
        .Add(kGuid)
        .Add(L"\\##?#ROOT#ORVANECAMSIM#")
        .AddIndex(index)
        .Add(L"#")
        .Add(kGuid)
        .Add(L"\\#\\Control");
    DeleteRegistryValue(key, L"Linked");
}

NTSTATUS CreateCameraDevice(ULONG index) {
    Camera& camera = g.cameras[index];
    Path name;
    name.Add(L"\\Device\\OrvaneCamSim").AddIndex(index);
    UNICODE_STRING deviceName;
    RtlInitUnicodeString(&deviceName, name.c_str());
    PDEVICE_OBJECT device = nullptr;
    NTSTATUS status = IoCreateDevice(g.driver, sizeof(DeviceExtension), &deviceName,
                                     FILE_DEVICE_UNKNOWN, FILE_DEVICE_SECURE_OPEN, FALSE, &device);
    if (!NT_SUCCESS(status)) {
        return status;
    }
    auto* ext = static_cast<DeviceExtension*>(device->DeviceExtension);
    ext->kind = DeviceKind::Camera;
    ext->index = index;
    device->Flags |= DO_BUFFERED_IO;
    device->Flags &= ~DO_DEVICE_INITIALIZING;
    ClearPhantom(index);
    status = IoRegisterDeviceInterface(device, &kCameraInterface, nullptr, &camera.link);
    if (!NT_SUCCESS(status)) {
        IoDeleteDevice(device);
        return status;
    }
    camera.device = device;
    return STATUS_SUCCESS;
}

void FailHeld(LIST_ENTRY* held) {
    while (!IsListEmpty(held)) {
        PLIST_ENTRY e = RemoveHeadList(held);
        Finish(CONTAINING_RECORD(e, Pending, link), STATUS_DEVICE_NOT_CONNECTED, 0);
    }
}

}  // namespace

void ClearStaleRegistrations() {
    for (ULONG i = 0; i < camsim::kMaxCameras; ++i) {
        ClearLinked(i);
        ClearPhantom(i);
    }
}

NTSTATUS AttachCamera(ULONG delayMs, ULONG* index) {
    Pending* later = nullptr;
    if (delayMs != 0) {
        later = static_cast<Pending*>(Allocate(sizeof(Pending)));
        if (later == nullptr) {
            return STATUS_INSUFFICIENT_RESOURCES;
        }
    }
    ULONG slot = camsim::kMaxCameras;
    {
        Lock lock;
        for (ULONG i = 0; i < camsim::kMaxCameras; ++i) {
            if (!g.cameras[i].attached && !g.cameras[i].attaching) {
                slot = i;
                break;
            }
        }
        if (slot == camsim::kMaxCameras) {
            Free(later);
            return STATUS_INSUFFICIENT_RESOURCES;
        }
        g.cameras[slot].attaching = true;
        ++g.cameras[slot].attachTicket;
        if (later != nullptr) {
            later->work = Work::Attach;
            later->camera = slot;
            later->generation = g.cameras[slot].attachTicket;
            later->due = Now() + static_cast<LONGLONG>(delayMs) * 10000;
            Enqueue(later);
        }
    }
    *index = slot;
    return later != nullptr ? STATUS_SUCCESS : AttachNow(slot);
}

NTSTATUS AttachNow(ULONG index) {
    Camera& camera = g.cameras[index];
    NTSTATUS status = STATUS_SUCCESS;
    if (camera.device == nullptr) {
        status = CreateCameraDevice(index);
    }
    {
        Lock lock;
        if (!NT_SUCCESS(status) || !camera.attaching) {
            camera.attaching = false;
            return NT_SUCCESS(status) ? STATUS_CANCELLED : status;
        }
        camera.attaching = false;
        camera.attached = true;
        ++camera.generation;
        camera.timeoutMs = 0;
        camera.timeoutSet = false;
        camera.lastError = 0;
    }
    status = IoSetDeviceInterfaceState(&camera.link, TRUE);
    if (!NT_SUCCESS(status)) {
        Lock lock;
        camera.attached = false;
        ++camera.generation;
    }
    return status;
}

NTSTATUS DetachCamera(ULONG index) {
    if (index >= camsim::kMaxCameras) {
        return STATUS_INVALID_PARAMETER;
    }
    Camera& camera = g.cameras[index];
    LIST_ENTRY held;
    InitializeListHead(&held);
    {
        Lock lock;
        if (camera.attaching) {
            // The queued attach finds the slot given up and does nothing.
            camera.attaching = false;
            return STATUS_SUCCESS;
        }
        if (!camera.attached) {
            return STATUS_INVALID_PARAMETER;
        }
        camera.attached = false;
        ++camera.generation;
        for (PLIST_ENTRY e = camera.held.Flink; e != &camera.held;) {
            auto* p = CONTAINING_RECORD(e, Pending, link);
            e = e->Flink;
            // One being cancelled stays for its cancel routine to find.
            if (Disarm(p->irp)) {
                RemoveEntryList(&p->link);
                InsertTailList(&held, &p->link);
            }
        }
        // Requests still waiting in the queue fail now, as on unplugged hardware; an answer of
        // a replay comes as recorded, also when the recording unplugged the camera first.
        for (PLIST_ENTRY e = g.queue.Flink; e != &g.queue; e = e->Flink) {
            auto* p = CONTAINING_RECORD(e, Pending, link);
            if (p->irp != nullptr && p->camera == index && !p->replayed) {
                p->due = 0;
                p->aborted = true;
                p->status = STATUS_DEVICE_NOT_CONNECTED;
                p->information = 0;
                p->setsLastError = false;
            }
        }
    }
    KeSetEvent(&g.wake, IO_NO_INCREMENT, FALSE);
    IoSetDeviceInterfaceState(&camera.link, FALSE);
    FailHeld(&held);
    return STATUS_SUCCESS;
}

void DetachAll() {
    for (ULONG i = 0; i < camsim::kMaxCameras; ++i) {
        DetachCamera(i);
    }
}

void DeleteCameras() {
    for (ULONG i = 0; i < camsim::kMaxCameras; ++i) {
        Camera& camera = g.cameras[i];
        camera.attaching = false;
        DetachCamera(i);
        if (camera.device != nullptr) {
            RtlFreeUnicodeString(&camera.link);
            IoDeleteDevice(camera.device);
            camera.device = nullptr;
        }
    }
}

}  // namespace sim
