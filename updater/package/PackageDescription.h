// The update package's description (UPDATEFILES\TAVIKUpdate.xml): the walk that reads it and
// the look-up of the image files it names. The walk writes what it finds through a
// PackageSink, so the dialog, the tests and the package checker all run the very same walk.
#pragma once

#include <windows.h>
#include <objidl.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "PackageNoteCodes.h"
#include "UpdateFileEntry.h"

struct IXmlReader;

inline constexpr wchar_t kPackageFolder[] = L".\\UPDATEFILES";
inline constexpr wchar_t kPackageDescriptionName[] = L"TAVIKUpdate.xml";

enum class NoteSeverity { Info, Warning, Error };

// Something the walk or the file look-up passed over or adjusted. The updater ignores notes;
// the package checker reports them.
struct PackageNote {
    NoteSeverity severity;
    const char* code;      // short and stable, e.g. "unknown-attribute"
    std::wstring message;  // one line for a person
    uint32_t line;         // position in the description, 0 where unknown
    uint32_t column;
    int entry = 0;  // the ID (1 to 5) of the entry it concerns, 0 for none
};

class PackageSink {
public:
    virtual void SetTitleText(const wchar_t* text) = 0;
    virtual void SetDevNameText(const wchar_t* text) = 0;
    virtual void SetDevNameCheck(bool check) = 0;
    // Stores an UPDATEFILE element's values into entry `index` (0 to 4): selector, timeoutMs,
    // fileName and toolTip; `found` is left as it is.
    virtual void StoreUpdateFile(int index, const UpdateFileEntry& candidate) = 0;
    virtual void Note(const PackageNote& note) { (void)note; }

protected:
    ~PackageSink() = default;
};

// The decimal rule of ID, SELECTOR and TIMEOUT: leading white space, one sign, digits up to the
// first other character; no digits give 0; beyond the signed 32-bit range the nearest limit.
int32_t ConvertDecimal(std::wstring_view text);

// Opens `folder`\TAVIKUpdate.xml for reading (others may read it too) as a stream whose count
// is 1. On failure returns HRESULT_FROM_WIN32 of the system error and hands out nothing.
HRESULT OpenPackageStream(IStream** stream, const wchar_t* folder = kPackageFolder);

// Reads the description into `sink`. False only when the file cannot be opened or the reader
// cannot be set up on it; a walk stopped by malformed XML still returns true.
bool LoadPackageDescription(PackageSink& sink, const wchar_t* folder = kPackageFolder);

// The walkers: S_OK when the end tag they wait for was reached, S_FALSE when the document
// ended first, the reader's failure status otherwise.
HRESULT ReadPackageRoot(IXmlReader* reader, PackageSink& sink);
HRESULT ReadTitle(IXmlReader* reader, PackageSink& sink);
HRESULT ReadDevName(IXmlReader* reader, PackageSink& sink);
HRESULT ReadUpdateFiles(IXmlReader* reader, PackageSink& sink);

// Looks for the entry's file in `folder` as FindFirstFileW matches names (wildcards allowed).
// Found: `found` is set and `fileName` becomes the bare name of the file found; otherwise `found`
// is cleared and `fileName` stays. Folders are passed over; a name holding \, / or : is never
// found. Notes go to `sink` when it is given.
bool ResolveUpdateFile(UpdateFileEntry& entry, const wchar_t* folder = kPackageFolder,
                       PackageSink* sink = nullptr);

// ResolveUpdateFile for each of the five entries in turn; the number found. Finding none is
// noted as no-entry-found.
int ResolveAllUpdateFiles(UpdateFileEntry (&entries)[kUpdateFileCount],
                          const wchar_t* folder = kPackageFolder, PackageSink* sink = nullptr);
