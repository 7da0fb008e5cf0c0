// Icons and bitmaps that own their handles: destroyed when the object goes.
#pragma once

#include <windows.h>

#include "UniqueAny.h"

namespace fw {

struct IconTraits {
    using Type = HICON;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DestroyIcon(h); }
};

struct BitmapTraits {
    using Type = HBITMAP;
    static Type Empty() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { DeleteObject(h); }
};

using UniqueIcon = UniqueAny<IconTraits>;
using UniqueBitmap = UniqueAny<BitmapTraits>;

}  // namespace fw
