#include "PackageTestSink.h"

#include <gtest/gtest.h>

#include <cwchar>

void PackageTestSink::SetTitleText(const wchar_t* text) {
    EXPECT_NE(text, nullptr);
    title = text != nullptr ? text : L"";
}

void PackageTestSink::SetDevNameText(const wchar_t* text) {
    EXPECT_NE(text, nullptr);
    devName = text != nullptr ? text : L"";
}

void PackageTestSink::StoreUpdateFile(int index, const UpdateFileEntry& candidate) {
    EXPECT_TRUE(index >= 0 && index < kUpdateFileCount) << "index " << index;
    if (index < 0 || index >= kUpdateFileCount) {
        return;
    }
    // `found` is the look-up's, never the walk's.
    UpdateFileEntry& entry = entries[index];
    entry.selector = candidate.selector;
    entry.timeoutMs = candidate.timeoutMs;
    std::wmemcpy(entry.fileName, candidate.fileName, MAX_PATH);
    std::wmemcpy(entry.toolTip, candidate.toolTip, kMaxToolTip + 1);
    stored[index] = true;
    storeOrder.push_back(index);
}

const PackageNote* PackageTestSink::FindNote(std::string_view code) const {
    for (const PackageNote& note : notes) {
        if (code == note.code) {
            return &note;
        }
    }
    return nullptr;
}

size_t PackageTestSink::CountNotes(std::string_view code) const {
    size_t count = 0;
    for (const PackageNote& note : notes) {
        count += code == note.code ? 1 : 0;
    }
    return count;
}

std::string PackageTestSink::NoteCodes() const {
    std::string codes;
    for (const PackageNote& note : notes) {
        codes += (codes.empty() ? "" : " ") + std::string(note.code);
    }
    return codes;
}
