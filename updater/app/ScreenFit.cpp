#include "ScreenFit.h"

#include <cstdlib>

int ImageScalePercent(int dpi) {
    constexpr int kBaseDpi = 96;
    if (dpi >= kBaseDpi * 2) {
        return 200;
    }
    if (dpi * 2 >= kBaseDpi * 3) {
        return 150;
    }
    return 100;
}

int FittingFontHeight(int height, int available, const std::function<int(int height)>& widthAt) {
    if (height == 0) {
        return height;
    }
    const int full = widthAt(height);
    if (full < 0 || full <= available) {
        return height;
    }
    const int sign = height < 0 ? -1 : 1;
    const int size = std::abs(height);
    // Widths grow about in step with the height; hinting moves them by a pixel or two either
    // way, so the estimate is corrected by measuring.
    int fit =
        static_cast<int>(static_cast<long long>(size) * (available > 0 ? available : 0) / full);
    if (fit >= size) {
        fit = size - 1;
    }
    if (fit < 1) {
        fit = 1;
    }
    const int width = widthAt(sign * fit);
    if (width < 0) {
        return height;
    }
    if (width <= available) {
        while (fit + 1 < size) {
            const int larger = widthAt(sign * (fit + 1));
            if (larger < 0 || larger > available) {
                break;
            }
            ++fit;
        }
    } else {
        while (fit > 1) {
            const int smaller = widthAt(sign * --fit);
            if (smaller < 0) {
                return height;
            }
            if (smaller <= available) {
                break;
            }
        }
    }
    return sign * fit;
}
