// A font that owns its handle: deleted when the object goes.
#pragma once

#include <windows.h>

#include "UniqueAny.h"

namespace fw {

struct FontTraits {
    using Type = HFONT;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

class CFont {
public:
    BOOL CreateFontIndirect(const LOGFONTW* logFont);  // replaces any font held before
    HFONT GetSafeHandle() const { return font_.get(); }
    operator HFONT() const { return font_.get(); }

private:
    UniqueAny<FontTraits> font_;
};

}  // namespace fw
