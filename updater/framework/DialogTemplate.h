// The fixed header of a dialog-template resource, classic (DLGTEMPLATE) or extended
// (DLGTEMPLATEEX): what the modal dialog needs before the dialog manager builds the window.
#pragma once

#include <windows.h>

#include <cstddef>
#include <optional>

namespace fw {

struct DialogTemplateHeader {
    bool extended = false;
    DWORD style = 0;
    std::size_t styleOffset = 0;  // byte offset of the style field in the template
    short x = 0;                  // dialog units
    short y = 0;
};

// Nothing if `size` bytes cannot hold the header.
std::optional<DialogTemplateHeader> ReadDialogTemplateHeader(const void* data, std::size_t size);

}  // namespace fw
