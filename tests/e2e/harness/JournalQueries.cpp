#include "JournalQueries.h"

namespace e2e {

Journal WithCode(const Journal& journal, uint32_t code) {
    Journal matching;
    for (const auto& entry : journal) {
        if (entry.code == code) {
            matching.push_back(entry);
        }
    }
    return matching;
}

std::optional<size_t> IndexOf(const Journal& journal, uint32_t code, size_t from) {
    for (size_t i = from; i < journal.size(); ++i) {
        if (journal[i].code == code) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<uint32_t> InputWord(const camsim::JournalEntry& entry, size_t offset) {
    if (entry.input.size() < offset + 4) {
        return std::nullopt;
    }
    const uint8_t* p = entry.input.data() + offset;
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::vector<uint8_t> ConnectionControlInput(uint8_t value) {
    return {0x3E, 0x00, 0x00, 0x00, value};
}

bool IsConnectionControlWrite(const camsim::JournalEntry& entry, uint8_t value) {
    return entry.code == kCodeSetCtrlCurrent && entry.input == ConnectionControlInput(value);
}

std::optional<SystemDataInput> SystemDataOf(const camsim::JournalEntry& entry) {
    const auto length = InputWord(entry, 8);
    if (entry.code != kCodeSetSystemData || entry.input.size() != 12 || !length) {
        return std::nullopt;
    }
    return SystemDataInput{entry.input[0], *length};
}

}  // namespace e2e
