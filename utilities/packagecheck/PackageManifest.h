// TAVIKUpdate.sha256 beside the package: one "DIGEST *FILENAME" line per image and one for the
// description, as sha256sum writes and checks them. The updater never reads it.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "PackageSink.h"
#include "ReservedDeviceName.h"

inline constexpr wchar_t kManifestName[] = L"TAVIKUpdate.sha256";

struct ManifestLine {
    std::string sha256;  // lowercase hexadecimal
    std::wstring name;   // a file of the package folder
};

// sha256sum's lines: 64 hexadecimal digits, a blank, '*' (binary) or a blank (text), the name.
// A UTF-8 byte-order mark, CR LF line ends and empty lines are accepted. False, with `error`
// naming the line, at a line of another form or one naming a path or a device rather than a
// file.
bool ParseManifest(std::string_view text, std::vector<ManifestLine>* lines, std::wstring* error);

std::string FormatManifest(const std::vector<ManifestLine>& lines);

// A file of the package: the description (entry 0) or a found image.
struct PackageFile {
    std::wstring name;
    std::string sha256;  // empty: it could not be read, and is not compared
    int entry = 0;
};

// The digest of a listed file that is not one of the package's; nothing when it is not there
// or cannot be read.
using DigestOfFile = std::function<std::optional<std::string>(const std::wstring& name)>;

// digest-mismatch for each listed file whose bytes differ, digest-missing for each listed file
// that is not there, digest-unlisted for each file of the package the manifest does not name.
// Names compare as Windows compares file names, without regard to letter case.
std::vector<PackageNote> VerifyManifest(const std::vector<ManifestLine>& lines,
                                        const std::vector<PackageFile>& files,
                                        const DigestOfFile& digestOf);
