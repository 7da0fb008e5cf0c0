// The control device's private requests, wrapped.
#include <algorithm>
#include <cstring>

#include "CamSimControl.h"

namespace camsim {

namespace {

// Large enough for any journal entry (a 8 + 65535 byte input) in one read.
constexpr uint32_t kReadChunk = 256 * 1024;

bool RemoveRefusal(uint32_t index) {
    // Without a known prefix no refusal can have been made either.
    std::wstring folder = RefusalFolder(index);
    return folder.empty() || RemoveDirectoryW(folder.c_str()) ||
           GetLastError() == ERROR_FILE_NOT_FOUND || GetLastError() == ERROR_PATH_NOT_FOUND;
}

}  // namespace

Control::Control()
    : device_(CreateFileW(L"\\\\.\\OrvaneCamSimControl", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr)) {
}

Control::~Control() = default;

bool Control::ok() const {
    return static_cast<bool>(device_);
}

bool Control::Call(uint32_t function, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   DWORD* returned) {
    if (!ok()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD bytes = 0;
    BOOL done = DeviceIoControl(device_.get(), ControlCode(function), const_cast<void*>(in), inSize,
                                out, outSize, &bytes, nullptr);
    if (returned != nullptr) {
        *returned = bytes;
    }
    return done != FALSE;
}

bool Control::SetValue(uint32_t function, uint32_t value) {
    return Call(function, &value, sizeof(value));
}

bool Control::Reset() {
    bool done = Call(kCtlReset, nullptr, 0);
    for (uint32_t i = 0; i < kMaxCameras; ++i) {
        done = RemoveRefusal(i) && done;
    }
    return done;
}

bool Control::Attach(uint32_t* index) {
    return AttachLater(0, index);
}

bool Control::AttachLater(uint32_t delayMs, uint32_t* index) {
    AttachRecord record{delayMs};
    uint32_t slot = 0;
    DWORD returned = 0;
    if (!Call(kCtlAttach, &record, sizeof(record), &slot, sizeof(slot), &returned) ||
        returned != sizeof(slot)) {
        return false;
    }
    if (index != nullptr) {
        *index = slot;
    }
    return true;
}

bool Control::Detach(uint32_t index) {
    return SetValue(kCtlDetach, index);
}

bool Control::RefuseOpen(uint32_t index, bool refuse) {
    if (index >= kMaxCameras) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (!refuse) {
        return RemoveRefusal(index);
    }
    std::wstring folder = RefusalFolder(index);
    return !folder.empty() &&
           (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
}

bool Control::SetCompletion(Completion mode) {
    return SetValue(kCtlSetCompletion, static_cast<uint32_t>(mode));
}

bool Control::SetCompletionDelay(uint32_t milliseconds) {
    return SetValue(kCtlSetDelay, milliseconds);
}

bool Control::SetProductCode(uint16_t code) {
    return SetValue(kCtlSetProduct, code);
}

bool Control::SetVersionBlock(const uint8_t (&block)[14]) {
    return Call(kCtlSetVersion, block, sizeof(block));
}

namespace {

std::vector<uint8_t> ValueRequest(uint32_t id, const void* data, uint32_t size) {
    ValueRecord record{id, size};
    std::vector<uint8_t> request(sizeof(record) + size);
    std::memcpy(request.data(), &record, sizeof(record));
    if (size != 0) {
        std::memcpy(request.data() + sizeof(record), data, size);
    }
    return request;
}

}  // namespace

bool Control::SetControlValue(uint8_t ctrlId, const void* data, uint32_t size) {
    std::vector<uint8_t> request = ValueRequest(ctrlId, data, size);
    return Call(kCtlSetControl, request.data(), static_cast<uint32_t>(request.size()));
}

bool Control::SetTransfer(uint8_t mode) {
    return SetValue(kCtlSetTransfer, mode);
}

bool Control::SetWriteTime(uint32_t microsecondsPerByte) {
    return SetValue(kCtlSetWriteTime, microsecondsPerByte);
}

bool Control::SetEvent(uint32_t function, const void* record, uint32_t size) {
    std::vector<uint8_t> request = ValueRequest(function, record, size);
    return Call(kCtlSetEvent, request.data(), static_cast<uint32_t>(request.size()));
}

bool Control::SetFault(uint32_t function, uint32_t driverError, int32_t status, uint32_t count) {
    FaultRecord record{function, driverError, status, count};
    return Call(kCtlSetFault, &record, sizeof(record));
}

bool Control::ClearFaults() {
    return Call(kCtlClearFaults, nullptr, 0);
}

bool Control::HoldUntilDetach(uint32_t function) {
    return SetValue(kCtlHold, function);
}

bool Control::DelayNext(uint32_t function, uint32_t milliseconds) {
    DelayRecord record{function, milliseconds};
    return Call(kCtlDelayNext, &record, sizeof(record));
}

bool Control::ReadStatus(StatusRecord* status) {
    DWORD returned = 0;
    return Call(kCtlReadStatus, nullptr, 0, status, sizeof(*status), &returned) &&
           returned == sizeof(*status);
}

bool Control::LoadReplay(const std::vector<uint8_t>& script) {
    // The driver makes a recorded refusal where RefuseOpen makes one.
    const std::wstring folder = DosDevicesFolder();
    ReplayLoad load{static_cast<uint32_t>(folder.size())};
    if (load.folderChars > kMaxReplayFolderChars) {
        load.folderChars = 0;
    }
    std::vector<uint8_t> in(sizeof(load) + load.folderChars * sizeof(wchar_t));
    std::memcpy(in.data(), &load, sizeof(load));
    std::memcpy(in.data() + sizeof(load), folder.data(), load.folderChars * sizeof(wchar_t));
    in.insert(in.end(), script.begin(), script.end());
    return Reset() && Call(kCtlLoadReplay, in.data(), static_cast<uint32_t>(in.size()));
}

bool Control::SetReplayEventPause(uint32_t milliseconds) {
    return SetValue(kCtlSetReplayEventPause, milliseconds);
}

bool Control::ReadReplayStatus(ReplayStatus* status) {
    DWORD returned = 0;
    return Call(kCtlReadReplay, nullptr, 0, status, sizeof(*status), &returned) &&
           returned == sizeof(*status);
}

bool Control::ReadJournal(std::vector<JournalEntry>* entries) {
    entries->clear();
    std::vector<uint8_t> page(kReadChunk);
    uint32_t next = 0;
    for (;;) {
        DWORD returned = 0;
        if (!Call(kCtlReadJournal, &next, sizeof(next), page.data(), kReadChunk, &returned) ||
            returned < sizeof(JournalPage)) {
            return false;
        }
        JournalPage header;
        std::memcpy(&header, page.data(), sizeof(header));
        if (header.entries == 0) {
            break;
        }
        size_t at = sizeof(header);
        for (uint32_t i = 0; i < header.entries; ++i) {
            JournalRecord record;
            if (at + sizeof(record) > returned) {
                return false;
            }
            std::memcpy(&record, page.data() + at, sizeof(record));
            at += sizeof(record);
            if (at + record.inputSize > returned) {
                return false;
            }
            JournalEntry entry;
            entry.sequence = record.sequence;
            entry.camera = record.camera;
            entry.code = record.code;
            entry.outputSize = record.outputSize;
            entry.status = record.status;
            entry.information = record.information;
            entry.completedAfter = record.completedAfter;
            entry.input.assign(page.data() + at, page.data() + at + record.inputSize);
            entries->push_back(std::move(entry));
            at += (record.inputSize + 3u) & ~3u;
        }
        next = header.nextRecord;
    }
    // Entries are recorded when they complete; callers want them in the order of arrival.
    std::stable_sort(
        entries->begin(), entries->end(),
        [](const JournalEntry& a, const JournalEntry& b) { return a.sequence < b.sequence; });
    return true;
}

bool Control::ClearJournal() {
    return Call(kCtlClearJournal, nullptr, 0);
}

bool Control::ReadImage(uint8_t selector, std::vector<uint8_t>* bytes) {
    bytes->clear();
    std::vector<uint8_t> page(kReadChunk);
    ImageQuery query{selector, 0};
    for (;;) {
        DWORD returned = 0;
        if (!Call(kCtlReadImage, &query, sizeof(query), page.data(), kReadChunk, &returned) ||
            returned < sizeof(ImagePage)) {
            return false;
        }
        ImagePage header;
        std::memcpy(&header, page.data(), sizeof(header));
        if (header.present == 0) {
            SetLastError(ERROR_NOT_FOUND);
            return false;
        }
        bytes->insert(bytes->end(), page.data() + sizeof(header),
                      page.data() + sizeof(header) + header.bytes);
        query.offset += header.bytes;
        if (header.bytes == 0 || query.offset >= header.totalSize) {
            return bytes->size() == header.totalSize;
        }
    }
}

bool Control::InterfacePath(uint32_t index, std::wstring* path) {
    wchar_t link[256] = {};
    DWORD returned = 0;
    if (!Call(kCtlInterfacePath, &index, sizeof(index), link, sizeof(link) - sizeof(wchar_t),
              &returned)) {
        return false;
    }
    // \??\ROOT#... in the kernel; SetupAPI lists \\?\root#... in lower case.
    std::wstring name(link);
    if (name.compare(0, 4, L"\\??\\") != 0) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    name = L"\\\\?\\" + name.substr(4);
    CharLowerBuffW(&name[0], static_cast<DWORD>(name.size()));
    *path = name;
    return true;
}

bool Control::ApplyDefaultScenario() {
    static const uint8_t kVersionBlock[14] = {0x00, 0x00, 0x00, 0x00, 0x05, 0x00, 0x01,
                                              0x01, 0x03, 0x00, 0x00, 0x00, 0x02, 0x01};
    return Reset() && SetProductCode(0x7012) && SetVersionBlock(kVersionBlock) && SetTransfer(1) &&
           SetWriteTime(20) && AttachLater(1000);
}

}  // namespace camsim
