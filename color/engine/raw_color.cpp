// Raw-to-color interpolation of the RGGB mosaic: the plain conversion (straight means) and the
// fine conversion (edge-directed green and diagonal colors), with the white-balance hooks.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/color_tables.h"
#include "engine/pixel_format.h"
#include "zenthue.h"

// Hot helpers are always inlined so that every carried value stays in a register.
#define ZENTHUE_INLINE [[gnu::always_inline]] inline

namespace zenthue {

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

// ---- Fine conversion ---------------------------------------------------------------------------
// Each row is done in chunks: first the red, green and blue levels of a chunk's pixels are
// computed into three small planes (a loop without jumps over the interior pairs, which the
// compiler turns into vector code; the border pairs take their replaced neighbours), then the
// pixels are looked up, summed and written.

// Levels, their sums and their differences fit 16 bits; every intermediate is kept in 16 bits so
// that the vector code works on 16-bit lanes.
using Level = std::int16_t;

ZENTHUE_INLINE Level sum16(int a, int b) {
    return static_cast<Level>(a + b);
}
ZENTHUE_INLINE Level absDiff(Level a, Level b) {
    const Level d = sum16(a, -b);
    return d < 0 ? static_cast<Level>(-d) : d;
}
ZENTHUE_INLINE Level mean2(Level a, Level b) {
    return static_cast<Level>(sum16(a, b) >> 1);
}
// "a + 8 < b", the hysteresis test of the rules below.
ZENTHUE_INLINE bool clearlyLess(Level a, Level b) {
    return sum16(a, 8) < b;
}

// Green at an R or B site along the direction of least change, 8 levels of hysteresis: the
// rules are tried in order and the first that holds decides ("b < a - 8" is "b + 8 < a").
// Every candidate is computed and the choice is made from the lowest priority up, so that there
// is no data-dependent jump.
ZENTHUE_INLINE Level fineGreen(Level left, Level right, Level up, Level down) {
    const Level dv = absDiff(up, down), dh = absDiff(left, right);
    const Level ld = absDiff(left, down), ru = absDiff(right, up);
    const Level lu = absDiff(left, up), rd = absDiff(right, down);
    Level g = static_cast<Level>(sum16(sum16(left, right), sum16(up, down)) >> 2);
    g = clearlyLess(rd, lu) ? mean2(right, down) : g;
    g = clearlyLess(lu, rd) ? mean2(left, up) : g;
    g = clearlyLess(ru, ld) ? mean2(right, up) : g;
    g = clearlyLess(ld, ru) ? mean2(left, down) : g;
    g = clearlyLess(dh, dv) ? mean2(left, right) : g;
    g = clearlyLess(dv, dh) ? mean2(up, down) : g;
    return g;
}

// The color on the diagonals of an R or B site, chosen the same way.
ZENTHUE_INLINE Level fineDiagonal(Level ul, Level dl, Level ur, Level dr) {
    const Level dLeft = absDiff(ul, dl), dRight = absDiff(ur, dr);
    const Level dDown = absDiff(dr, dl), dUp = absDiff(ur, ul);
    const Level dMain = absDiff(dr, ul), dAnti = absDiff(ur, dl);
    Level v = mean2(mean2(ul, dl), mean2(ur, dr));
    v = clearlyLess(dAnti, dMain) ? mean2(ur, dl) : v;
    v = clearlyLess(dMain, dAnti) ? mean2(ul, dr) : v;
    v = clearlyLess(dUp, dDown) ? mean2(ul, ur) : v;
    v = clearlyLess(dDown, dUp) ? mean2(dl, dr) : v;
    v = clearlyLess(dRight, dLeft) ? mean2(ur, dr) : v;
    v = clearlyLess(dLeft, dRight) ? mean2(ul, dl) : v;
    return v;
}

// Pairs per chunk.
constexpr int kChunkPairs = 256;

// Level planes of one chunk, pixel by pixel.
struct Planes {
    BYTE red[2 * kChunkPairs];
    BYTE green[2 * kChunkPairs];
    BYTE blue[2 * kChunkPairs];
};

ZENTHUE_INLINE void setLevels(BYTE* r, BYTE* g, BYTE* b, int i, Level red, Level green,
                              Level blue) {
    r[i] = static_cast<BYTE>(red);
    g[i] = static_cast<BYTE>(green);
    b[i] = static_cast<BYTE>(blue);
}

// Levels of the pair at plane pixel i of an even row: R site, then G site. left is cur[x - 1],
// right2 cur[x + 2]; ul and dl are up[x - 1] and down[x - 1].
ZENTHUE_INLINE void pairLevelsR(BYTE* r, BYTE* g, BYTE* b, int i, Level left, Level c0, Level c1,
                                Level right2, Level ul, Level u0, Level u1, Level dl, Level d0,
                                Level d1) {
    setLevels(r, g, b, i, c0, fineGreen(left, c1, u0, d0), fineDiagonal(ul, dl, u1, d1));
    setLevels(r, g, b, i + 1, mean2(c0, right2), c1, mean2(u1, d1));
}

// Levels of the pair at plane pixel i of an odd row: G site, then B site. left is cur[x - 1];
// right2, u2 and d2 are column x + 2.
ZENTHUE_INLINE void pairLevelsB(BYTE* r, BYTE* g, BYTE* b, int i, Level left, Level c0, Level c1,
                                Level right2, Level u0, Level u1, Level u2, Level d0, Level d1,
                                Level d2) {
    setLevels(r, g, b, i, mean2(u0, d0), c0, mean2(left, c1));
    setLevels(r, g, b, i + 1, fineDiagonal(u0, d0, u2, d2), fineGreen(c0, right2, u1, d1), c1);
}

// Levels of pairs p0 .. p0 + count - 1, none of them the first or last pair of the row, into
// the planes r, g, b from pixel 0 on.
template <bool OddRow>
ZENTHUE_INLINE void interiorLevelsBody(const BYTE* up, const BYTE* cur, const BYTE* down, int p0,
                                       int count, BYTE* __restrict r, BYTE* __restrict g,
                                       BYTE* __restrict b) {
    const BYTE* __restrict u = up + 2 * p0;
    const BYTE* __restrict c = cur + 2 * p0;
    const BYTE* __restrict d = down + 2 * p0;
    for (int k = 0; k < count; ++k) {
        const int x = 2 * k;
        if constexpr (!OddRow) {
            pairLevelsR(r, g, b, x, c[x - 1], c[x], c[x + 1], c[x + 2], u[x - 1], u[x], u[x + 1],
                        d[x - 1], d[x], d[x + 1]);
        } else {
            pairLevelsB(r, g, b, x, c[x - 1], c[x], c[x + 1], c[x + 2], u[x], u[x + 1], u[x + 2],
                        d[x], d[x + 1], d[x + 2]);
        }
    }
}

// The interior levels of even and odd rows, optimised for vector code at any build level and
// also built for AVX2, used where the processor has it. Multiversioned functions cannot be
// templates for every compiler, hence one plain function per row kind.
#if defined(__clang__)
#define ZENTHUE_VECTOR_CLONES [[gnu::target_clones("avx2", "default")]]
#else
#define ZENTHUE_VECTOR_CLONES [[gnu::target_clones("avx2", "default"), gnu::optimize("O3")]]
#endif

ZENTHUE_VECTOR_CLONES void interiorLevelsR(const BYTE* up, const BYTE* cur, const BYTE* down,
                                           int p0, int count, BYTE* r, BYTE* g, BYTE* b) {
    interiorLevelsBody<false>(up, cur, down, p0, count, r, g, b);
}

ZENTHUE_VECTOR_CLONES void interiorLevelsB(const BYTE* up, const BYTE* cur, const BYTE* down,
                                           int p0, int count, BYTE* r, BYTE* g, BYTE* b) {
    interiorLevelsBody<true>(up, cur, down, p0, count, r, g, b);
}

// Levels of pair p with the border replacements, at plane pixel i: column -1 reads column 1 in
// the row and, as the left diagonal pair of an R site, column 0 above and below; column w (= 2n)
// reads column w - 2.
template <bool OddRow>
void borderLevels(const BYTE* up, const BYTE* cur, const BYTE* down, int p, int n, Planes& pl,
                  int i) {
    const int x = 2 * p;
    const int xl = x == 0 ? 1 : x - 1;      // same-row column x - 1
    const int xd = x == 0 ? 0 : x - 1;      // diagonal column x - 1
    const int x2 = p == n - 1 ? x : x + 2;  // column x + 2
    if constexpr (!OddRow) {
        pairLevelsR(pl.red, pl.green, pl.blue, i, cur[xl], cur[x], cur[x + 1], cur[x2], up[xd],
                    up[x], up[x + 1], down[xd], down[x], down[x + 1]);
    } else {
        pairLevelsB(pl.red, pl.green, pl.blue, i, cur[xl], cur[x], cur[x + 1], cur[x2], up[x],
                    up[x + 1], up[x2], down[x], down[x + 1], down[x2]);
    }
}

// One row of the fine conversion, always 24 bits.
template <bool OddRow>
Sums convertFineRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    Planes pl;
    for (int p0 = 0; p0 < n; p0 += kChunkPairs) {
        const int count = n - p0 < kChunkPairs ? n - p0 : kChunkPairs;
        int from = 0, to = count;  // the chunk's pairs that need no replacement
        if (p0 == 0) {
            borderLevels<OddRow>(up, cur, down, 0, n, pl, 0);
            from = 1;
        }
        if (p0 + count == n && n > 1) {
            borderLevels<OddRow>(up, cur, down, n - 1, n, pl, 2 * (count - 1));
            to = count - 1;
        }
        if (to > from) {
            const auto interior = OddRow ? interiorLevelsB : interiorLevelsR;
            interior(up, cur, down, p0 + from, to - from, pl.red + 2 * from, pl.green + 2 * from,
                     pl.blue + 2 * from);
        }
        // A chunk's sums fit 32 bits (512 entries of at most 4095), which keeps the loop short.
        std::int32_t red = 0, green = 0, blue = 0;
        BYTE* px = out + 6 * p0;
        for (int i = 0; i < 2 * count; ++i, px += 3) {
            const int r = t.red[pl.red[i]], g = t.green[pl.green[i]], b = t.blue[pl.blue[i]];
            red += r;
            green += g;
            blue += b;
            putBgr24(px, b, g, r);
        }
        sums.red += red;
        sums.green += green;
        sums.blue += blue;
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
