// The journal of camera requests: a ring of the latest entries, bounded in count and in the
// bytes of the inputs it keeps, so a long benchmark cannot exhaust the pool.
#include "Driver.h"

namespace sim {

namespace {

ULONG Slot(ULONG position) {
    return (g.journalFirst + position) % kJournalCapacity;
}

void DropOldest() {
    JournalItem& item = g.journal[g.journalFirst];
    g.journalBytes -= item.input.size;
    ClearBytes(&item.input);
    g.journalFirst = (g.journalFirst + 1) % kJournalCapacity;
    --g.journalCount;
}

ULONG Padded(ULONG size) {
    return (size + 3u) & ~3u;
}

}  // namespace

bool JournalInit() {
    g.journal = static_cast<JournalItem*>(Allocate(sizeof(JournalItem) * kJournalCapacity));
    return g.journal != nullptr;
}

void JournalAdd(Pending* request, NTSTATUS status, ULONG information) {
    if (request->irp == nullptr) {
        return;
    }
    while (g.journalCount > 0 && (g.journalCount == kJournalCapacity ||
                                  g.journalBytes + request->input.size > kJournalByteBudget)) {
        DropOldest();
    }
    JournalItem& item = g.journal[Slot(g.journalCount)];
    item.record = g.nextRecord++;
    item.sequence = request->sequence;
    item.completedAfter = g.sequence;
    item.camera = request->camera;
    item.code = request->code;
    item.outputSize = request->outputSize;
    item.status = status;
    item.information = information;
    item.input = request->input;
    request->input = Bytes{};
    g.journalBytes += item.input.size;
    ++g.journalCount;
}

void JournalClear() {
    while (g.journalCount > 0) {
        DropOldest();
    }
}

void JournalFree() {
    if (g.journal != nullptr) {
        JournalClear();
        Free(g.journal);
        g.journal = nullptr;
    }
}

ULONG JournalRead(ULONG firstRecord, UCHAR* out, ULONG outSize, ULONG* information) {
    auto* page = reinterpret_cast<camsim::JournalPage*>(out);
    page->entries = 0;
    page->nextRecord = firstRecord;
    ULONG used = sizeof(camsim::JournalPage);
    for (ULONG i = 0; i < g.journalCount; ++i) {
        const JournalItem& item = g.journal[Slot(i)];
        if (item.record < firstRecord) {
            continue;
        }
        ULONG need = sizeof(camsim::JournalRecord) + Padded(item.input.size);
        if (outSize - used < need) {
            break;
        }
        auto* record = reinterpret_cast<camsim::JournalRecord*>(out + used);
        record->record = item.record;
        record->sequence = item.sequence;
        record->camera = item.camera;
        record->code = item.code;
        record->outputSize = item.outputSize;
        record->status = item.status;
        record->information = item.information;
        record->inputSize = item.input.size;
        record->completedAfter = item.completedAfter;
        if (item.input.size != 0) {
            RtlCopyMemory(record + 1, item.input.data, item.input.size);
        }
        RtlZeroMemory(reinterpret_cast<UCHAR*>(record + 1) + item.input.size,
                      Padded(item.input.size) - item.input.size);
        used += need;
        ++page->entries;
        page->nextRecord = item.record + 1;
    }
    *information = used;
    return page->entries;
}

}  // namespace sim
