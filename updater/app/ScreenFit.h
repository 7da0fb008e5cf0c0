// How the dialog fits the screen it shows on: its images in the size the screen's DPI asks
// for, and a text in a font small enough for its control.
#pragma once

#include <functional>

// The scale, in percent (100, 150 or 200), of the icon and logo drawn for `dpi`: the largest
// not above it, so an image never outgrows the room the dialog's layout gives it.
int ImageScalePercent(int dpi);

// A font height (LOGFONT's lfHeight, its sign kept) at which a text fits `available` pixels:
// `height` itself when the text fits there, else the largest smaller one that fits, at least
// 1 pixel. `widthAt` measures the text at a height; a negative width (it could not be
// measured) leaves `height` as it is, as does a height of 0 (the font's default).
int FittingFontHeight(int height, int available, const std::function<int(int height)>& widthAt);
