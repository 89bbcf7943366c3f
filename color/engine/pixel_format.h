// Small pixel helpers shared by the conversions: clamping and writing output pixels.
#pragma once

#include "platform.h"

namespace zenthue {

// 255 when v is 255 or more, 0 when v is 0 or less, else v.
constexpr int clampByte(int v) {
    return v >= 255 ? 255 : (v <= 0 ? 0 : v);
}

// A 24-bit pixel: bytes blue, green, red (the low byte of each value).
inline void putBgr24(BYTE* p, int blue, int green, int red) {
    p[0] = static_cast<BYTE>(blue);
    p[1] = static_cast<BYTE>(green);
    p[2] = static_cast<BYTE>(red);
}

// A 5-5-5 word: each level shifted right by 3 into its 5-bit field (red 10-14, green 5-9,
// blue 0-4); only the low 5 bits of each field are kept, so bit 15 stays zero.
constexpr WORD rgb555(int red, int green, int blue) {
    return static_cast<WORD>((((red >> 3) & 31) << 10) | (((green >> 3) & 31) << 5) |
                             ((blue >> 3) & 31));
}

// A 16-bit pixel: the 5-5-5 word, little-endian.
inline void putRgb555(BYTE* p, int red, int green, int blue) {
    const WORD w = rgb555(red, green, blue);
    p[0] = static_cast<BYTE>(w);
    p[1] = static_cast<BYTE>(w >> 8);
}

}  // namespace zenthue
