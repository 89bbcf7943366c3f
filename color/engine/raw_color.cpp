// Raw-to-color interpolation of the RGGB mosaic: the plain conversion (straight means) and the
// fine conversion (edge-directed green and diagonal colors), with the white-balance hooks.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/color_tables.h"
#include "engine/pixel_format.h"
#include "zenthue.h"

namespace zenthue {

// Hot helpers are always inlined so that every carried value stays in a register.
#define ZENTHUE_INLINE [[gnu::always_inline]] inline

namespace {

struct Tables {
    const int* red;
    const int* green;
    const int* blue;
};

// Running sums of the written table values.
struct Sums {
    std::int64_t red = 0;
    std::int64_t green = 0;
    std::int64_t blue = 0;
};

// Looks the three levels up, adds them to the sums and writes the pixel (3 or 2 bytes). The row
// functions keep the tables and sums in locals: byte stores may alias anything in memory, so
// values reached through pointers would be reloaded after every pixel.
template <int Bytes>
ZENTHUE_INLINE void emit(BYTE* p, Tables t, Sums& sums, int red, int green, int blue) {
    const int r = t.red[red], g = t.green[green], b = t.blue[blue];
    sums.red += r;
    sums.green += g;
    sums.blue += b;
    if constexpr (Bytes == 3) {
        putBgr24(p, b, g, r);
    } else {
        putRgb555(p, r, g, b);
    }
}

// Green at an R or B site along the direction of least change, 8 levels of hysteresis: the
// rules are tried in order and the first that holds decides. Every candidate is computed and the
// choice is made from the lowest priority up, so that there is no data-dependent jump and runs of
// sites compile to vector code.
ZENTHUE_INLINE int fineGreen(int left, int right, int up, int down) {
    const int dv = std::abs(up - down), dh = std::abs(left - right);
    const int ld = std::abs(left - down), ru = std::abs(right - up);
    const int lu = std::abs(left - up), rd = std::abs(right - down);
    int g = (left + right + up + down) >> 2;
    g = rd < lu - 8 ? (right + down) >> 1 : g;
    g = lu + 8 < rd ? (left + up) >> 1 : g;
    g = ru < ld - 8 ? (right + up) >> 1 : g;
    g = ld + 8 < ru ? (left + down) >> 1 : g;
    g = dh < dv - 8 ? (left + right) >> 1 : g;
    g = dv + 8 < dh ? (up + down) >> 1 : g;
    return g;
}

// The color on the diagonals of an R or B site, chosen the same way.
ZENTHUE_INLINE int fineDiagonal(int ul, int dl, int ur, int dr) {
    const int dLeft = std::abs(ul - dl), dRight = std::abs(ur - dr);
    const int dDown = std::abs(dr - dl), dUp = std::abs(ur - ul);
    const int dMain = std::abs(dr - ul), dAnti = std::abs(ur - dl);
    int v = (((ul + dl) >> 1) + ((ur + dr) >> 1)) >> 1;
    v = dAnti < dMain - 8 ? (ur + dl) >> 1 : v;
    v = dMain + 8 < dAnti ? (ul + dr) >> 1 : v;
    v = dUp < dDown - 8 ? (ul + ur) >> 1 : v;
    v = dDown + 8 < dUp ? (dl + dr) >> 1 : v;
    v = dRight < dLeft - 8 ? (ur + dr) >> 1 : v;
    v = dLeft + 8 < dRight ? (ul + dl) >> 1 : v;
    return v;
}

// Pairs per chunk of a fine row: the site values of one chunk are computed into stack buffers,
// then the chunk's pixels are written.
constexpr int kChunkPairs = 256;

// Green and diagonal values of count R or B sites at columns x, x + 2, ..., all of whose
// neighbours lie inside the row (1 <= column <= w - 2).
[[gnu::target_clones("avx2", "default")]] void fineSites(const BYTE* up, const BYTE* cur,
                                                         const BYTE* down, int x, int count,
                                                         BYTE* __restrict green,
                                                         BYTE* __restrict diagonal) {
    const BYTE* __restrict u = up + x;
    const BYTE* __restrict c = cur + x;
    const BYTE* __restrict d = down + x;
    for (int k = 0; k < count; ++k) {
        const int j = 2 * k;
        green[k] = static_cast<BYTE>(fineGreen(c[j - 1], c[j + 1], u[j], d[j]));
        diagonal[k] = static_cast<BYTE>(fineDiagonal(u[j - 1], d[j - 1], u[j + 1], d[j + 1]));
    }
}

// One row of the fine conversion. In an even row the sites are the R sites at even columns and
// the first has the border neighbours (column -1 is column 1 in the row, column 0 above and
// below); in an odd row they are the B sites at odd columns and the last has the border
// neighbours (column w is column w - 2). The G sites use the plain means.
template <bool OddRow>
Sums convertFineRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    BYTE green[kChunkPairs];
    BYTE diagonal[kChunkPairs];
    const int w = 2 * n;
    int left = cur[1];  // cur[x - 1] of the pair's first column
    for (int p0 = 0; p0 < n; p0 += kChunkPairs) {
        const int count = n - p0 < kChunkPairs ? n - p0 : kChunkPairs;
        if constexpr (!OddRow) {
            int first = 0;
            if (p0 == 0) {
                green[0] = static_cast<BYTE>(fineGreen(cur[1], cur[1], up[0], down[0]));
                diagonal[0] = static_cast<BYTE>(fineDiagonal(up[0], down[0], up[1], down[1]));
                first = 1;
            }
            fineSites(up, cur, down, 2 * (p0 + first), count - first, green + first,
                      diagonal + first);
        } else {
            const bool hasLast = p0 + count == n;
            const int run = hasLast ? count - 1 : count;
            fineSites(up, cur, down, 2 * p0 + 1, run, green, diagonal);
            if (hasLast) {
                const int x = w - 1;
                green[run] = static_cast<BYTE>(fineGreen(cur[x - 1], cur[x - 1], up[x], down[x]));
                diagonal[run] =
                    static_cast<BYTE>(fineDiagonal(up[x - 1], down[x - 1], up[x - 1], down[x - 1]));
            }
        }
        for (int k = 0; k < count; ++k) {
            const int x = 2 * (p0 + k);
            const int c0 = cur[x], c1 = cur[x + 1];
            const int c2 = x + 2 < w ? cur[x + 2] : c0;
            BYTE* px = out + 3 * x;
            if constexpr (!OddRow) {
                emit<3>(px, t, sums, c0, green[k], diagonal[k]);
                emit<3>(px + 3, t, sums, (c0 + c2) >> 1, c1, (up[x + 1] + down[x + 1]) >> 1);
            } else {
                emit<3>(px, t, sums, (up[x] + down[x]) >> 1, c0, (left + c1) >> 1);
                emit<3>(px + 3, t, sums, diagonal[k], green[k], c1);
            }
            left = c1;
        }
    }
    return sums;
}

// Plain conversion: one pair of an even row (R site at x, G site at x + 1), all neighbours passed
// in: the row loops pass the border replacements at the two ends and plain reads in between.
template <int Bytes>
ZENTHUE_INLINE void pairR(BYTE* out, Tables t, Sums& sums, int left, int c0, int c1, int c2,
                          int upLeft, int u0, int u1, int downLeft, int d0, int d1) {
    const int green0 = (left + c1 + u0 + d0) >> 2;
    const int blue0 = (((upLeft + downLeft) >> 1) + ((u1 + d1) >> 1)) >> 1;
    emit<Bytes>(out, t, sums, c0, green0, blue0);
    emit<Bytes>(out + Bytes, t, sums, (c0 + c2) >> 1, c1, (u1 + d1) >> 1);
}

// One pair of an odd row (G site at x, B site at x + 1).
template <int Bytes>
ZENTHUE_INLINE void pairB(BYTE* out, Tables t, Sums& sums, int left, int c0, int c1, int c2, int u0,
                          int u1, int u2, int d0, int d1, int d2) {
    emit<Bytes>(out, t, sums, (u0 + d0) >> 1, c0, (left + c1) >> 1);
    const int green1 = (c0 + c2 + u1 + d1) >> 2;
    const int red1 = (((u0 + d0) >> 1) + ((u2 + d2) >> 1)) >> 1;
    emit<Bytes>(out + Bytes, t, sums, red1, green1, c1);
}

// One row of an even row-table index: R G R G ... Column -1 reads column 1 in the same row, and
// the left diagonal pair of column 0 is the pair directly above and below it; column w (= 2n)
// reads column w - 2.
template <int Bytes>
Sums convertRRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    const int last = 2 * n - 2;
    if (n == 1) {
        pairR<Bytes>(out, t, sums, cur[1], cur[0], cur[1], cur[0], up[0], up[0], up[1], down[0],
                     down[0], down[1]);
        return sums;
    }
    pairR<Bytes>(out, t, sums, cur[1], cur[0], cur[1], cur[2], up[0], up[0], up[1], down[0],
                 down[0], down[1]);
    for (int x = 2; x < last; x += 2) {
        pairR<Bytes>(out + x * Bytes, t, sums, cur[x - 1], cur[x], cur[x + 1], cur[x + 2],
                     up[x - 1], up[x], up[x + 1], down[x - 1], down[x], down[x + 1]);
    }
    pairR<Bytes>(out + last * Bytes, t, sums, cur[last - 1], cur[last], cur[last + 1], cur[last],
                 up[last - 1], up[last], up[last + 1], down[last - 1], down[last], down[last + 1]);
    return sums;
}

// One row of an odd row-table index: G B G B ... Column -1 reads column 1; column w reads
// column w - 2 in all three rows.
template <int Bytes>
Sums convertBRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    const int last = 2 * n - 2;
    if (n == 1) {
        pairB<Bytes>(out, t, sums, cur[1], cur[0], cur[1], cur[0], up[0], up[1], up[0], down[0],
                     down[1], down[0]);
        return sums;
    }
    pairB<Bytes>(out, t, sums, cur[1], cur[0], cur[1], cur[2], up[0], up[1], up[2], down[0],
                 down[1], down[2]);
    for (int x = 2; x < last; x += 2) {
        pairB<Bytes>(out + x * Bytes, t, sums, cur[x - 1], cur[x], cur[x + 1], cur[x + 2], up[x],
                     up[x + 1], up[x + 2], down[x], down[x + 1], down[x + 2]);
    }
    pairB<Bytes>(out + last * Bytes, t, sums, cur[last - 1], cur[last], cur[last + 1], cur[last],
                 up[last], up[last + 1], up[last], down[last], down[last + 1], down[last]);
    return sums;
}

// Converts rows 1 to height - 2 and copies the first n pixel pairs of rows 1 and height - 2 into
// rows 0 and height - 1.
template <bool Fine, int Bytes>
Sums convertFrame(const EngineState& s, int width, int height) {
    const int n = width / 2;
    const Tables t{s.redTable.data(), s.greenTable.data(), s.blueTable.data()};
    Sums sums;
    for (int i = 1; i <= height - 2; ++i) {
        const BYTE* up = s.srcRows[i - 1];
        const BYTE* cur = s.srcRows[i];
        const BYTE* down = s.srcRows[i + 1];
        BYTE* out = s.dstRows[i];
        Sums row;
        if constexpr (Fine) {
            row = (i & 1) ? convertFineRow<true>(up, cur, down, out, n, t)
                          : convertFineRow<false>(up, cur, down, out, n, t);
        } else {
            row = (i & 1) ? convertBRow<Bytes>(up, cur, down, out, n, t)
                          : convertRRow<Bytes>(up, cur, down, out, n, t);
        }
        sums.red += row.red;
        sums.green += row.green;
        sums.blue += row.blue;
    }
    const auto rowBytes = static_cast<std::size_t>(n) * 2 * Bytes;
    std::memmove(s.dstRows[0], s.dstRows[1], rowBytes);
    std::memmove(s.dstRows[height - 1], s.dstRows[height - 2], rowBytes);
    return sums;
}

// Frames the conversions can walk: 2 columns and 3 rows at least, no more rows than the tables.
bool frameFits(int width, int height) {
    return width >= 2 && height >= 3 && height <= kMaxRows;
}

// Tracking after the conversion (mode 1) from the truncated means of the written table values.
int trackAfter(EngineState& s, const Sums& sums, std::int64_t pixels) {
    if (s.wbMode != 1) return 0;
    const std::int64_t count = pixels < 1 ? 1 : pixels;
    return trackWhiteBalance(s, static_cast<double>(sums.red / count),
                             static_cast<double>(sums.green / count),
                             static_cast<double>(sums.blue / count));
}

std::int64_t interiorPixels(int width, int height) {
    return std::int64_t{height - 2} * (width / 2) * 2;
}

}  // namespace

}  // namespace zenthue

using namespace zenthue;

extern "C" int GetRawColorFrame(int width, int height) {
    if (!frameFits(width, height)) return 0;
    auto& s = engineState();
    if (s.wbMode == 2) estimateWhiteBalance(s, width, height);
    Sums sums;
    std::int64_t pixels = 0;
    if (s.formatType == 2) {
        sums = convertFrame<false, 3>(s, width, height);
        pixels = interiorPixels(width, height);
    } else if (s.formatType == 1) {
        sums = convertFrame<false, 2>(s, width, height);
        pixels = interiorPixels(width, height);
    }
    return trackAfter(s, sums, pixels);
}

extern "C" int GetFineRawColorFrame(int width, int height) {
    if (!frameFits(width, height)) return 0;
    auto& s = engineState();
    if (s.wbMode == 2) estimateWhiteBalance(s, width, height);
    const Sums sums = convertFrame<true, 3>(s, width, height);
    return trackAfter(s, sums, interiorPixels(width, height));
}
