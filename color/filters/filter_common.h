// Small helpers shared by the image filters.
#ifndef DUOVUE_COLOR_FILTERS_FILTER_COMMON_H
#define DUOVUE_COLOR_FILTERS_FILTER_COMMON_H

#include <cstdint>

#include "engine/pixel_format.h"
#include "zenthue.h"

namespace zenthue {

// Bytes per pixel of the 24-bit pictures the filters work on.
inline constexpr int kPixelBytes = 3;

// Linear blend of two samples in eighths: phase 0 gives a, phase 4 the truncated mean.
inline constexpr int blend8(int a, int b, int phase) {
    return ((8 - phase) * a + phase * b) >> 3;
}

// Largest side any filter accepts: far beyond any picture of the system, and small enough that
// every byte offset, doubled size and pixel count of a picture stays well within int.
inline constexpr int kLargestSide = 1 << 15;

// True when the width and height lie within minWidth .. kLargestSide and minHeight .. kLargestSide.
inline constexpr bool sidesWithin(int width, int height, int minWidth, int minHeight) {
    return width >= minWidth && height >= minHeight && width <= kLargestSide &&
           height <= kLargestSide;
}

// True when every one of the first `count` entries of a row table is set.
inline bool rowsPresent(BYTE* const* rows, int count) {
    if (rows == nullptr) return false;
    for (int i = 0; i < count; ++i) {
        if (rows[i] == nullptr) return false;
    }
    return true;
}

}  // namespace zenthue

#endif  // DUOVUE_COLOR_FILTERS_FILTER_COMMON_H
