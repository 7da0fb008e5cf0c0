// The one worker thread: completes pending requests when they fall due, performs the
// system-data writes, and attaches cameras whose attach was delayed. Dispatch routines never
// wait; everything that takes time is queued here.
#include "Driver.h"

extern "C" __declspec(dllimport) int __stdcall ReadProcessMemory(HANDLE process,
                                                                 const void* address, void* buffer,
                                                                 SIZE_T size, SIZE_T* read);

namespace sim {

namespace {

void RunWrite(Pending* p) {
    NTSTATUS status = STATUS_SUCCESS;
    if (p->writeTimesOut) {
        p->setsLastError = true;
        p->driverError = camsim::kDriverErrorTimeout;
        status = STATUS_IO_TIMEOUT;
    } else {
        auto* data = static_cast<UCHAR*>(Allocate(p->length));
        if (data == nullptr) {
            status = STATUS_INSUFFICIENT_RESOURCES;
        } else if (!ReadCallerBytes(p->process, p->address, data, p->length)) {
            status = STATUS_INVALID_USER_BUFFER;
        }
        if (NT_SUCCESS(status)) {
            Lock lock;
            Bytes& image = g.images[p->selector];
            ClearBytes(&image);
            image.data = data;
            image.size = p->length;
            image.present = true;
            data = nullptr;
        } else {
            p->setsLastError = true;
            p->driverError = kDriverErrorUnreadable;
        }
        Free(data);
    }
    Finish(p, status, 0);
}

void Run(Pending* p) {
    if (p->work == Work::ReplayEvent) {
        if (p->aborted) {
            Discard(p);
        } else {
            ReplayEventDue(p);
        }
        return;
    }
    if (p->work == Work::Attach) {
        ULONG index = p->camera;
        bool stopping;
        {
            Lock lock;
            // Detached before it came, perhaps with the slot taken again since.
            stopping = g.stopping || !g.cameras[index].attaching ||
                       g.cameras[index].attachTicket != p->generation;
        }
        if (!stopping) {
            AttachNow(index);
        }
        Discard(p);
        return;
    }
    if (p->work == Work::Write && !p->aborted) {
        bool connected;
        {
            Lock lock;
            const Camera& camera = g.cameras[p->camera];
            connected = camera.attached && camera.generation == p->generation;
        }
        if (connected) {
            RunWrite(p);
            return;
        }
        p->status = STATUS_DEVICE_NOT_CONNECTED;
    }
    Finish(p, p->status, p->information);
}

void NTAPI WorkerMain(PVOID) {
    for (;;) {
        LIST_ENTRY ready;
        InitializeListHead(&ready);
        LONGLONG next = 0;
        bool stop;
        {
            Lock lock;
            LONGLONG now = Now();
            for (PLIST_ENTRY e = g.queue.Flink; e != &g.queue;) {
                auto* p = CONTAINING_RECORD(e, Pending, link);
                e = e->Flink;
                if (p->due <= now || g.stopping) {
                    if (p->irp != nullptr && !Disarm(p->irp)) {
                        continue;  // being cancelled: its cancel routine completes it
                    }
                    RemoveEntryList(&p->link);
                    InsertTailList(&ready, &p->link);
                } else if (next == 0 || p->due < next) {
                    next = p->due;
                }
            }
            stop = g.stopping && IsListEmpty(&g.queue);
        }
        while (!IsListEmpty(&ready)) {
            PLIST_ENTRY e = RemoveHeadList(&ready);
            Run(CONTAINING_RECORD(e, Pending, link));
        }
        if (stop) {
            break;
        }
        LARGE_INTEGER timeout;
        if (next != 0) {
            LONGLONG wait = next - Now();
            timeout.QuadPart = wait > 0 ? -wait : -1;
        }
        KeWaitForSingleObject(&g.wake, Executive, KernelMode, FALSE,
                              next != 0 ? &timeout : nullptr);
    }
    PsTerminateSystemThread(STATUS_SUCCESS);
}

}  // namespace

bool ReadCallerBytes(HANDLE process, ULONG address, UCHAR* out, ULONG size) {
    SIZE_T read = 0;
    return size == 0 ||
           (ReadProcessMemory(process,
                              reinterpret_cast<const void*>(static_cast<ULONG_PTR>(address)), out,
                              size, &read) &&
            read == size);
}

NTSTATUS WorkerStart() {
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, nullptr, OBJ_KERNEL_HANDLE, nullptr, nullptr);
    return PsCreateSystemThread(&g.worker, THREAD_ALL_ACCESS, &attributes, nullptr, nullptr,
                                WorkerMain, nullptr);
}

void WorkerStop() {
    if (g.worker == nullptr) {
        return;
    }
    {
        Lock lock;
        g.stopping = true;
        for (PLIST_ENTRY e = g.queue.Flink; e != &g.queue; e = e->Flink) {
            auto* p = CONTAINING_RECORD(e, Pending, link);
            p->aborted = true;
            p->status = STATUS_CANCELLED;
            p->information = 0;
        }
    }
    KeSetEvent(&g.wake, IO_NO_INCREMENT, FALSE);
    ZwWaitForSingleObject(g.worker, FALSE, nullptr);
    ZwClose(g.worker);
    g.worker = nullptr;
}

void Enqueue(Pending* pending) {
    InsertTailList(&g.queue, &pending->link);
    KeSetEvent(&g.wake, IO_NO_INCREMENT, FALSE);
}

void Finish(Pending* p, NTSTATUS status, ULONG information) {
    // A warning still delivers the reply, as on Windows.
    if (NT_ERROR(status)) {
        information = 0;
    }
    {
        Lock lock;
        if (p->setsLastError) {
            g.cameras[p->camera].lastError = p->driverError;
        }
        // Journalled before completion: whoever sees the result also finds the entry.
        JournalAdd(p, status, information);
        ReplayDelivered(p);
    }
    PIRP irp = p->irp;
    Discard(p);
    irp->IoStatus.Status = status;
    irp->IoStatus.Information = information;
    IoCompleteRequest(irp, IO_NO_INCREMENT);
}

void Discard(Pending* p) {
    if (p->process != nullptr) {
        ZwClose(p->process);
    }
    ClearBytes(&p->input);
    Free(p);
}

}  // namespace sim
