// A PackageSink that keeps everything the walk and the look-up hand it, for tests to check.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PackageSink.h"
#include "UpdateFileEntry.h"

class PackageTestSink final : public PackageSink {
public:
    void SetTitleText(const wchar_t* text) override;
    void SetDevNameText(const wchar_t* text) override;
    void SetDevNameCheck(bool check) override { devNameCheck = check; }
    void StoreUpdateFile(int index, const UpdateFileEntry& candidate) override;
    void Note(const PackageNote& note) override { notes.push_back(note); }

    // Null when no note of that code was sent.
    const PackageNote* FindNote(std::string_view code) const;
    size_t CountNotes(std::string_view code) const;
    // Every code in the order sent, for failure messages.
    std::string NoteCodes() const;

    std::optional<std::wstring> title;  // what the label would show; empty: the template
    std::optional<std::wstring> devName;
    bool devNameCheck = false;
    // As the dialog holds them: zeroed, then filled by StoreUpdateFile.
    UpdateFileEntry entries[kUpdateFileCount] = {};
    bool stored[kUpdateFileCount] = {};
    std::vector<int> storeOrder;  // indices in the order stored
    std::vector<PackageNote> notes;
};
