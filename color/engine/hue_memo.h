// ColorEnhance's hues, kept for the whole process. A pixel's hue and the two cosines its rebuild
// needs depend only on R - G and R - B, so each of the 511 x 511 pairs is worked out (acos, sqrt,
// two cosines) the first time any picture has it and looked up ever after. Pages of the table
// that no picture reaches are never touched.
//
// Several threads may enhance pictures at once: a slot is read and written through atomic
// references, its cosines first and its flags last (release), and read flags first (acquire).
// Threads that fill the same slot together write the same values, so either may win.
#pragma once

#include <array>

namespace zenthue {

inline constexpr int kHueDifferences = 511;  // R - G and R - B each run from -255 to 255
inline constexpr int kHueKnown = 8;          // set in a slot's flags once it is filled

struct HueSlot {
    int flags;  // 0 while empty; else the hue's flags (sector, window) with kHueKnown
    double cosNear;
    double cosFar;
};

using HueMemo = std::array<HueSlot, kHueDifferences * kHueDifferences>;

inline int hueSlotIndex(int redLessGreen, int redLessBlue) {
    return (redLessGreen + 255) * kHueDifferences + (redLessBlue + 255);
}

}  // namespace zenthue
