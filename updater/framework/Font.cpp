#include "Font.h"

namespace fw {

BOOL CFont::CreateFontIndirect(const LOGFONTW* logFont) {
    if (logFont == nullptr) {
        return FALSE;
    }
    // Qualified: windows.h makes this member's own name CreateFontIndirectW.
    HFONT font = ::CreateFontIndirectW(logFont);
    if (font == nullptr) {
        return FALSE;  // the font held before stays
    }
    font_.reset(font);
    return TRUE;
}

}  // namespace fw
