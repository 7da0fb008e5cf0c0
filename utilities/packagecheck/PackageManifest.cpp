#include "PackageManifest.h"

#include <windows.h>

#include <cwctype>

#include "CheckNoteCodes.h"
#include "ConsoleOutput.h"
#include "UpdateFileValues.h"

namespace {

bool SameFileName(const std::wstring& a, const std::wstring& b) {
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(),
                                static_cast<int>(b.size()), TRUE) == CSTR_EQUAL;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

bool ParseLine(std::string_view line, ManifestLine* parsed) {
    constexpr size_t kDigits = 64;
    if (line.size() < kDigits + 3 || line[kDigits] != ' ' ||
        (line[kDigits + 1] != '*' && line[kDigits + 1] != ' ')) {
        return false;
    }
    std::string digest;
    for (size_t i = 0; i < kDigits; ++i) {
        const int value = HexValue(line[i]);
        if (value < 0) {
            return false;
        }
        digest += "0123456789abcdef"[value];
    }
    const std::wstring name = FromUtf8(line.substr(kDigits + 2));
    if (name.empty() || HasPathCharacter(name) || name == L"." || name == L".." ||
        IsReservedDeviceName(name)) {
        return false;
    }
    parsed->sha256 = digest;
    parsed->name = name;
    return true;
}

PackageNote DigestNote(const char* code, std::wstring message, int entry) {
    PackageNote note{NoteSeverity::Error, code, std::move(message), 0, 0};
    note.entry = entry;
    return note;
}

}  // namespace

bool ParseManifest(std::string_view text, std::vector<ManifestLine>* lines, std::wstring* error) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        text.remove_prefix(3);
    }
    std::vector<ManifestLine> parsed;
    size_t number = 0;
    while (!text.empty()) {
        ++number;
        const size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty()) {
            continue;
        }
        ManifestLine entry;
        if (!ParseLine(line, &entry)) {
            *error = L"line " + std::to_wstring(number) +
                     L" is not \"DIGEST *FILENAME\" with a SHA-256 and a file of the folder";
            return false;
        }
        parsed.push_back(std::move(entry));
    }
    *lines = std::move(parsed);
    return true;
}

std::string FormatManifest(const std::vector<ManifestLine>& lines) {
    std::string text;
    for (const ManifestLine& line : lines) {
        text += line.sha256 + " *" + ToUtf8(line.name) + "\n";
    }
    return text;
}

std::vector<PackageNote> VerifyManifest(const std::vector<ManifestLine>& lines,
                                        const std::vector<PackageFile>& files,
                                        const DigestOfFile& digestOf) {
    std::vector<PackageNote> notes;
    for (const ManifestLine& line : lines) {
        const PackageFile* file = nullptr;
        for (const PackageFile& candidate : files) {
            if (SameFileName(candidate.name, line.name)) {
                file = &candidate;
                break;
            }
        }
        std::optional<std::string> digest;
        if (file != nullptr) {
            if (file->sha256.empty()) {
                continue;  // unreadable: noted where it was read
            }
            digest = file->sha256;
        } else {
            digest = digestOf(line.name);
        }
        const int entry = file != nullptr ? file->entry : 0;
        if (!digest) {
            notes.push_back(
                DigestNote(check_code::kDigestMissing,
                           std::wstring(kManifestName) + L" lists \"" + line.name +
                               L"\", which is not in the package folder or cannot be read",
                           entry));
        } else if (*digest != line.sha256) {
            notes.push_back(DigestNote(check_code::kDigestMismatch,
                                       L"\"" + line.name + L"\" is not the file " + kManifestName +
                                           L" lists: its SHA-256 differs",
                                       entry));
        }
    }
    for (const PackageFile& file : files) {
        bool listed = false;
        for (const ManifestLine& line : lines) {
            listed = listed || SameFileName(file.name, line.name);
        }
        if (!listed) {
            notes.push_back(DigestNote(check_code::kDigestUnlisted,
                                       L"\"" + file.name + L"\" is not listed in " + kManifestName,
                                       file.entry));
        }
    }
    return notes;
}
