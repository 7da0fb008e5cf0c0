// What the updater would make of a package: its walk and file look-up run through a sink that
// keeps everything, with the notes; what each found image weighs and its digest; the manifest.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "CameraVerdict.h"
#include "PackageDescription.h"
#include "PackageSink.h"
#include "ToolError.h"
#include "UpdateFileEntry.h"

// The dialog template's texts, which show where the package gives none.
inline constexpr wchar_t kTemplateTitle[] = L"Orvane Update";
inline constexpr wchar_t kTemplateDeviceName[] = L"Orvane";

struct CheckedEntry {
    bool stored = false;  // an UPDATEFILE element filled it
    UpdateFileEntry entry = {};
    std::wstring given;  // FILENAME as the description gives it; entry.fileName is what it found
    bool sizeKnown = false;
    uint64_t size = 0;
    bool paddedKnown = false;  // false also when the size cannot be padded within 32 bits
    uint32_t paddedSize = 0;
    std::string sha256;  // of the image as it lies on disk; empty until read whole
};

enum class ManifestState {
    Absent,      // no TAVIKUpdate.sha256 in the package folder
    Verified,    // present, and every image and the description match it
    Failed,      // present, and something differs, is missing, unlisted or unreadable
    Written,     // written by this run
    NotWritten,  // asked for, but it could not be written
};

// Why --camera did not reach the camera: TAVIKUpdate open, the library not started, Ctrl+C.
struct CameraNotReached {
    const char* status;  // the JSON's `status`
    int exitStatus;
    ToolError error;
};

struct PackageReport {
    std::wstring folder;
    bool readable = false;  // the description could be opened and the reader set up on it
    bool titleSet = false;
    std::wstring title = kTemplateTitle;
    bool deviceNameSet = false;
    std::wstring deviceName = kTemplateDeviceName;
    bool deviceNameCheck = false;
    std::wstring descriptionName = kPackageDescriptionName;  // as spelt on disk
    std::string descriptionSha256;                           // empty unless read
    CheckedEntry entries[kUpdateFileCount];
    ManifestState manifest = ManifestState::Absent;
    size_t manifestFiles = 0;             // lines of the manifest checked or written
    bool manifestReplacedStale = false;   // written in place of one that no longer matched
    std::optional<CameraVerdict> camera;  // with --camera
    std::optional<CameraNotReached> cameraNotReached;  // with --camera, instead of `camera`
    std::vector<PackageNote> notes;

    bool UpdateCanBeEnabled() const;  // some entry is found
};

// Collects what the walk and the look-up report, as the dialog would show it.
class ReportSink final : public PackageSink {
public:
    explicit ReportSink(PackageReport& report) : report_(report) {}
    void SetTitleText(const wchar_t* text) override;
    void SetDevNameText(const wchar_t* text) override;
    void SetDevNameCheck(bool check) override;
    void StoreUpdateFile(int index, const UpdateFileEntry& candidate) override;
    void Note(const PackageNote& note) override;

private:
    PackageReport& report_;
};

// Reads and resolves the package in `folder` the way the updater does, weighs and digests what
// it found, writes or checks the manifest, then adds the notes that need the whole picture.
PackageReport CheckPackage(const std::wstring& folder, bool writeManifest = false);

void AddNote(PackageReport& report, NoteSeverity severity, const char* code, std::wstring message,
             int entry = 0);
bool HasNote(const PackageReport& report, const char* code);

// 2 with an error note, 1 with warnings only, else 0.
int NotesStatus(const PackageReport& report);

// The tool's exit status: why the camera was not reached or that none came (75, 130, 4, 3)
// outweighs the notes' status, which the report holds all the same.
int ExitStatus(const PackageReport& report);

// The JSON's `status` for that exit status: clean, warnings, errors, no-camera, or why the
// camera was not reached.
const char* StatusName(const PackageReport& report);

// Why the run fell short where it did: the camera not reached, or none within the wait.
std::optional<ToolError> RunError(const PackageReport& report);
