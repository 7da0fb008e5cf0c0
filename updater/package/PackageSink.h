// What the package walk and the file look-up write through: the dialog implements it by
// setting its labels, the tests and the package checker implement it too, so all three run the
// very same walk.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "UpdateFileEntry.h"

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
