// ColorEnhance's hues, kept for the whole process. A pixel's hue and the two cosines its rebuild
// needs depend only on R - G and R - B, so each of the 511 x 511 pairs is worked out (acos, sqrt,
// two cosines) the first time any picture has it and looked up ever after. A picture's pairs
// crowd together, so the slots lie in bands of 16 values of R - G, ordered by R - B and then
// R - G within the band: a picture touches few pages of the table (first touches of pages weigh
// on a process's first call), and pages no picture reaches are never touched at all.
//
// Several threads may enhance pictures at once: a slot is read and written through atomic
// references, its cosines first and its flags last (release), and read flags first (acquire).
// Threads that fill the same slot together write the same values, so either may win.
#pragma once

#include <array>

namespace zenthue {

inline constexpr int kHueKnown = 8;  // set in a slot's flags once it is filled

struct HueSlot {
    int flags;  // 0 while empty; else the hue's flags (sector, window) with kHueKnown
    double cosNear;
    double cosFar;
};

// R - G and R - B each run from -255 to 255: 32 bands of 512 x 16 slots.
using HueMemo = std::array<HueSlot, 512 * 512>;

inline int hueSlotIndex(int redLessGreen, int redLessBlue) {
    const int i = redLessGreen + 255, j = redLessBlue + 255;
    return (i >> 4 << 13) + (j << 4) + (i & 15);
}

}  // namespace zenthue
