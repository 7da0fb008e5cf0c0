// Cancellation of requests that wait with the driver, as a well-behaved driver allows it: the
// queue and the held lists are guarded by the driver's lock, and a request leaves them either
// through its cancel routine or after its cancel routine was taken away, never both.
#include "Driver.h"

namespace sim {

namespace {

Pending* Take(LIST_ENTRY* list, PIRP irp) {
    for (PLIST_ENTRY e = list->Flink; e != list; e = e->Flink) {
        auto* p = CONTAINING_RECORD(e, Pending, link);
        if (p->irp == irp) {
            RemoveEntryList(&p->link);
            return p;
        }
    }
    return nullptr;
}

void NTAPI CancelWaiting(PDEVICE_OBJECT, PIRP irp) {
    // Released at once: the driver's own lock guards the lists, and is not taken at raised IRQL.
    IoReleaseCancelSpinLock(irp->CancelIrql);
    Pending* p = nullptr;
    {
        Lock lock;
        p = Take(&g.queue, irp);
        for (ULONG i = 0; p == nullptr && i < camsim::kMaxCameras; ++i) {
            p = Take(&g.cameras[i].held, irp);
        }
        if (p != nullptr) {
            ++g.cancelled;
        }
    }
    if (p == nullptr) {
        return;  // cannot happen: a request whose routine was taken away is not cancelled
    }
    p->setsLastError = false;
    Finish(p, STATUS_CANCELLED, 0);
    // A worker that is stopping waits for the queue to empty.
    KeSetEvent(&g.wake, IO_NO_INCREMENT, FALSE);
}

}  // namespace

bool ArmCancel(PIRP irp) {
    IoSetCancelRoutine(irp, CancelWaiting);
    // Cancelled before the routine was set: whoever takes the routine back completes it.
    return !(irp->Cancel && IoSetCancelRoutine(irp, nullptr) != nullptr);
}

bool Disarm(PIRP irp) {
    return IoSetCancelRoutine(irp, nullptr) != nullptr;
}

ULONG CountOutstanding() {
    ULONG count = 0;
    for (PLIST_ENTRY e = g.queue.Flink; e != &g.queue; e = e->Flink) {
        count += CONTAINING_RECORD(e, Pending, link)->irp != nullptr ? 1 : 0;
    }
    for (const Camera& camera : g.cameras) {
        for (PLIST_ENTRY e = camera.held.Flink; e != &camera.held; e = e->Flink) {
            ++count;
        }
    }
    return count;
}

}  // namespace sim
