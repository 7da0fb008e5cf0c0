#include "DialogTemplate.h"

#include <cstring>

namespace fw {

namespace {

template <typename T>
T ReadAt(const unsigned char* bytes, std::size_t offset) {
    T value;
    std::memcpy(&value, bytes + offset, sizeof value);
    return value;
}

// DLGTEMPLATEEX: dlgVer, signature, helpID, exStyle, style, cDlgItems, x, y, cx, cy.
constexpr std::size_t kExtendedHeaderSize = 26;
constexpr std::size_t kExtendedStyleOffset = 12;
constexpr std::size_t kExtendedXOffset = 18;
// DLGTEMPLATE: style, dwExtendedStyle, cdit, x, y, cx, cy.
constexpr std::size_t kClassicHeaderSize = 18;
constexpr std::size_t kClassicXOffset = 10;

}  // namespace

std::optional<DialogTemplateHeader> ReadDialogTemplateHeader(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    if (bytes == nullptr || size < kClassicHeaderSize) {
        return std::nullopt;
    }
    DialogTemplateHeader header;
    header.extended = ReadAt<WORD>(bytes, 0) == 1 && ReadAt<WORD>(bytes, 2) == 0xFFFF;
    std::size_t xOffset = kClassicXOffset;
    if (header.extended) {
        if (size < kExtendedHeaderSize) {
            return std::nullopt;
        }
        header.styleOffset = kExtendedStyleOffset;
        xOffset = kExtendedXOffset;
    }
    header.style = ReadAt<DWORD>(bytes, header.styleOffset);
    header.x = ReadAt<short>(bytes, xOffset);
    header.y = ReadAt<short>(bytes, xOffset + 2);
    return header;
}

}  // namespace fw
