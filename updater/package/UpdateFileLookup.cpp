#include "UpdateFileLookup.h"

#include <cwchar>
#include <string>
#include <string_view>

#include "PackageNoteCodes.h"
#include "SystemErrorText.h"
#include "UniqueAny.h"
#include "UpdateFileValues.h"

namespace {

void NoteFor(PackageSink* sink, NoteSeverity severity, const char* code, std::wstring message) {
    if (sink != nullptr) {
        sink->Note(PackageNote{severity, code, std::move(message), 0, 0});
    }
}

bool IsDotEntry(const wchar_t* name) {
    return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0;
}

// Passes notes on with the ID of the entry being looked up.
class EntryNoteSink final : public PackageSink {
public:
    EntryNoteSink(PackageSink& sink, int entry) : sink_(sink), entry_(entry) {}
    void SetTitleText(const wchar_t*) override {}
    void SetDevNameText(const wchar_t*) override {}
    void SetDevNameCheck(bool) override {}
    void StoreUpdateFile(int, const UpdateFileEntry&) override {}
    void Note(const PackageNote& note) override {
        PackageNote named = note;
        named.entry = entry_;
        sink_.Note(named);
    }

private:
    PackageSink& sink_;
    int entry_;
};

}  // namespace

bool ResolveUpdateFile(UpdateFileEntry& entry, const wchar_t* folder, PackageSink* sink) {
    entry.found = false;
    const std::wstring_view name(entry.fileName, ::wcsnlen(entry.fileName, MAX_PATH));
    // An empty name is an entry the package did not fill, or one the walk has noted already.
    if (name.empty() || folder == nullptr) {
        return false;
    }
    const std::wstring shownName(name);
    if (name.size() == MAX_PATH || HasPathCharacter(name)) {
        NoteFor(sink, NoteSeverity::Warning, note_code::kFileNameRefused,
                L"\"" + shownName + L"\" is not a name within the package folder: never found");
        return false;
    }
    WIN32_FIND_DATAW data = {};
    const std::wstring pattern = std::wstring(folder) + L"\\" + shownName;
    const UniqueFindHandle search(::FindFirstFileW(pattern.c_str(), &data));
    if (!search) {
        const DWORD error = ::GetLastError();
        NoteFor(
            sink, NoteSeverity::Warning, note_code::kFileMissing,
            L"no file matches \"" + shownName + L"\" in the package folder" +
                (error == ERROR_FILE_NOT_FOUND ? std::wstring() : L": " + SystemErrorText(error)));
        return false;
    }
    // Only a file can be sent: a folder that matches would fail the update after earlier
    // images had already gone into the camera.
    std::wstring taken;
    std::wstring firstFolder;
    size_t files = 0;
    size_t folders = 0;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!IsDotEntry(data.cFileName)) {
                if (folders++ == 0) {
                    firstFolder = data.cFileName;
                }
            }
        } else if (files++ == 0) {
            taken = data.cFileName;
        }
    } while (::FindNextFileW(search.get(), &data));

    if (folders != 0) {
        NoteFor(sink, NoteSeverity::Warning, note_code::kFolderPassedOver,
                L"\"" + shownName + L"\" matches the folder \"" + firstFolder + L"\"" +
                    (folders > 1 ? L" and " + std::to_wstring(folders - 1) + L" more" : L"") +
                    L"; folders are passed over");
    }
    if (files == 0) {
        NoteFor(sink, NoteSeverity::Warning, note_code::kFileMissing,
                L"no file matches \"" + shownName + L"\" in the package folder");
        return false;
    }
    if (files > 1) {
        NoteFor(sink, NoteSeverity::Warning, note_code::kSeveralMatches,
                L"\"" + shownName + L"\" matches " + std::to_wstring(files) + L" files; \"" +
                    taken + L"\" is sent");
    }
    taken.copy(entry.fileName, MAX_PATH - 1);
    entry.fileName[taken.size() < MAX_PATH ? taken.size() : MAX_PATH - 1] = L'\0';
    entry.found = true;
    return true;
}

int ResolveAllUpdateFiles(UpdateFileEntry (&entries)[kUpdateFileCount], const wchar_t* folder,
                          PackageSink* sink) {
    int found = 0;
    for (int i = 0; i < kUpdateFileCount; ++i) {
        bool resolved = false;
        if (sink != nullptr) {
            EntryNoteSink entrySink(*sink, i + 1);
            resolved = ResolveUpdateFile(entries[i], folder, &entrySink);
        } else {
            resolved = ResolveUpdateFile(entries[i], folder);
        }
        if (resolved) {
            ++found;
        }
    }
    if (found == 0) {
        NoteFor(sink, NoteSeverity::Error, note_code::kNoEntryFound,
                L"no image file of the package was found: there is nothing to update");
    }
    return found;
}
