// The luminance frame: one grey level per interior pixel of an 8-bit Bayer frame, from a 3 x 3
// window carried along the row, through the luminance gain and gamma into 8, 16 or 24 bits.
#include <algorithm>
#include <array>
#include <cstdint>

#include "conversions/conversions.h"
#include "zenthue.h"

namespace zenthue {

namespace {

// Raw luminance of 8-bit samples lies within -38..292; the level map covers -128..383.
constexpr int kLevelOffset = 128;
constexpr int kLevelCount = 512;
using LevelMap = std::array<BYTE, kLevelCount>;

// Raw luminance to output level: gain (an arithmetic shift by 5), clamp, then the gamma table
// when it is on (its entries held to a byte, since the level is written as one).
void buildLevelMap(const EngineState& s, LevelMap& map) {
    for (int k = 0; k < kLevelCount; ++k) {
        const std::int64_t y = (std::int64_t{k - kLevelOffset} * s.lumaGain) >> 5;
        int level = y >= 255 ? 255 : (y <= 0 ? 0 : static_cast<int>(y));
        if (s.lumaGammaOn) level = std::clamp(s.lumaGammaTable[level], 0, 255);
        map[k] = static_cast<BYTE>(level);
    }
}

// The nine samples around the pixel: up, cur and down rows, columns c - 1, c, c + 1.
struct Window {
    int u0, u1, u2, c0, c1, c2, d0, d1, d2;
};

// R rows (even row-table index): red sites at even columns.
inline int evenRowLuma(int a, int s, int q, int n, int v, int m) {
    return (((717 * a + 56 * (q - s) + 307 * m) >> 10) + ((a + n + v + m) >> 2)) >> 1;
}
inline int evenRowOddColumn(const Window& w) {
    return evenRowLuma((w.c0 + w.c2) >> 1, w.u1 + w.d1, (w.u0 + w.u2 + w.d0 + w.d2) >> 1,
                       (w.u0 + w.u2) >> 1, w.u1, w.c1);
}
inline int evenRowEvenColumn(const Window& w) {
    return evenRowLuma((w.u0 + w.u2) >> 1, (w.u0 + w.u2 + w.d0 + w.d2) >> 1, w.u1 + w.d1, w.u1,
                       w.c1, (w.c0 + w.c2) >> 1);
}

// B rows (odd row-table index): blue sites at odd columns.
inline int oddRowLuma(int k, int e, int t, int f) {
    return (((19 * (6 * k + t) + 14 * e) >> 7) + f) >> 1;
}
inline int oddRowOddColumn(const Window& w) {
    const int upPair = (w.u0 + w.u2) >> 1, downPair = (w.d0 + w.d2) >> 1;
    const int e = (w.c0 + w.c2) >> 1;
    return oddRowLuma(w.c1, e, w.u1 + w.d1 - upPair - downPair, (e + w.u1 + upPair + w.c1) >> 2);
}
inline int oddRowEvenColumn(const Window& w) {
    const int upPair = (w.u0 + w.u2) >> 1, downPair = (w.d0 + w.d2) >> 1;
    const int k = (w.c0 + w.c2) >> 1;
    return oddRowLuma(k, w.c1, upPair + downPair - w.u1 - w.d1, (w.c1 + upPair + w.u1 + k) >> 2);
}

// Output formats: one grey byte, three equal bytes, or a 5-5-5 word with equal fields.
struct Gray8 {
    static void put(BYTE* row, int c, BYTE y) { row[c] = y; }
};
struct Gray24 {
    static void put(BYTE* row, int c, BYTE y) {
        BYTE* p = row + 3 * std::ptrdiff_t{c};
        p[0] = p[1] = p[2] = y;
    }
};
struct Gray555 {
    static void put(BYTE* row, int c, BYTE y) {
        const int y5 = y >> 3;
        BYTE* p = row + 2 * std::ptrdiff_t{c};
        p[0] = static_cast<BYTE>((y5 << 5) | y5);
        p[1] = static_cast<BYTE>((y5 << 2) | (y5 >> 3));
    }
};

// Columns 3..width - 2 of one row, in (odd, even) column pairs; the window moves one column
// per pixel, reading one new sample from each row.
template <class Out, bool kEvenRow>
void convertRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int width,
                const LevelMap& map) {
    Window w{0, up[2], up[3], 0, cur[2], cur[3], 0, down[2], down[3]};
    const auto advance = [&](int c) {
        w = {w.u1, w.u2, up[c + 1], w.c1, w.c2, cur[c + 1], w.d1, w.d2, down[c + 1]};
    };
    const int last = width - 2;
    int c = 3;
    for (; c + 1 <= last; c += 2) {
        advance(c);
        Out::put(out, c, map[(kEvenRow ? evenRowOddColumn(w) : oddRowOddColumn(w)) + kLevelOffset]);
        advance(c + 1);
        Out::put(out, c + 1,
                 map[(kEvenRow ? evenRowEvenColumn(w) : oddRowEvenColumn(w)) + kLevelOffset]);
    }
    if (c <= last) {
        advance(c);
        Out::put(out, c, map[(kEvenRow ? evenRowOddColumn(w) : oddRowOddColumn(w)) + kLevelOffset]);
    }
}

template <class Out>
void convertFrame(const EngineState& s, int width, int height, const LevelMap& map) {
    for (int i = 1; i <= height - 2; ++i) {
        const BYTE* up = s.srcRows[i - 1];
        const BYTE* cur = s.srcRows[i];
        const BYTE* down = s.srcRows[i + 1];
        if (i & 1) {
            convertRow<Out, false>(up, cur, down, s.dstRows[i], width, map);
        } else {
            convertRow<Out, true>(up, cur, down, s.dstRows[i], width, map);
        }
    }
}

}  // namespace

}  // namespace zenthue

using namespace zenthue;

extern "C" int GetYFrame(int width, int height) {
    const EngineState& s = engineState();
    // Below 5 x 3 there is no interior pixel; above the row tables nothing is converted.
    if (width < 5 || height < 3 || height > kMaxRows) return 1;
    if (!rowsSetUp(s.srcRows, 0, height - 1) || !rowsSetUp(s.dstRows, 1, height - 2)) return 1;

    LevelMap map;
    buildLevelMap(s, map);
    switch (s.formatType) {
        case 2:
            convertFrame<Gray24>(s, width, height, map);
            break;
        case 1:
            convertFrame<Gray555>(s, width, height, map);
            break;
        default:
            convertFrame<Gray8>(s, width, height, map);
            break;
    }
    return 1;
}
