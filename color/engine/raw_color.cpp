// Raw-to-color interpolation of the RGGB mosaic: the plain conversion (straight means) and the
// fine conversion (edge-directed green and diagonal colors), with the white-balance hooks.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/color_tables.h"
#include "engine/isa.h"
#include "engine/pixel_format.h"
#include "engine/raw_rows.h"
#include "engine/raw_rules.h"
#include "zenthue.h"

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

    void add(std::int64_t r, std::int64_t g, std::int64_t b) {
        red += r;
        green += g;
        blue += b;
    }
};

// Levels, their sums and their differences fit 16 bits; every intermediate is kept in 16 bits so
// that the compiler's vector code for the fine conversion works on 16-bit lanes.
using Level = std::int16_t;

ZENTHUE_INLINE Level sum16(int a, int b) {
    return static_cast<Level>(a + b);
}

// The rules' operations on single levels.
struct ScalarOps {
    static Level absDiff(Level a, Level b) {
        const Level d = sum16(a, -b);
        return d < 0 ? static_cast<Level>(-d) : d;
    }
    static Level mean2(Level a, Level b) { return static_cast<Level>(sum16(a, b) >> 1); }
    static Level mean4(Level a, Level b, Level c, Level d) {
        return static_cast<Level>(sum16(sum16(a, b), sum16(c, d)) >> 2);
    }
    static bool clearlyLess(Level a, Level b) { return sum16(a, 8) < b; }
    static Level select(bool c, Level then, Level otherwise) { return c ? then : otherwise; }
};

// The window of pair p of a row of n pairs with the border replacements: column -1 reads column
// 1 in the row and, as a left diagonal, column 0 above and below; column w (= 2n) reads column
// w - 2.
template <bool OddRow>
ZENTHUE_INLINE PairWindow<Level> borderWindow(const BYTE* up, const BYTE* cur, const BYTE* down,
                                              int p, int n) {
    const int x = 2 * p;
    const int xl = x == 0 ? 1 : x - 1;      // same-row column x - 1
    const int xd = x == 0 ? 0 : x - 1;      // diagonal column x - 1
    const int x2 = p == n - 1 ? x : x + 2;  // column x + 2
    return {cur[xl],   cur[x], cur[x + 1], cur[x2], up[xd],      up[x],
            up[x + 1], up[x2], down[xd],   down[x], down[x + 1], down[x2]};
}

// The window of a pair that needs no replacement, columns x - 1 .. x + 2 read as they are.
ZENTHUE_INLINE PairWindow<Level> plainWindow(const BYTE* u, const BYTE* c, const BYTE* d, int x) {
    return {c[x - 1], c[x],     c[x + 1], c[x + 2], u[x - 1], u[x],
            u[x + 1], u[x + 2], d[x - 1], d[x],     d[x + 1], d[x + 2]};
}

// Looks a pixel's three levels up, adds them to the sums and writes the pixel (3 or 2 bytes).
template <int Bytes>
ZENTHUE_INLINE void emit(BYTE* p, Tables t, Sums& sums, int red, int green, int blue) {
    const int r = t.red[red], g = t.green[green], b = t.blue[blue];
    sums.add(r, g, b);
    if constexpr (Bytes == 3) {
        putBgr24(p, b, g, r);
    } else {
        putRgb555(p, r, g, b);
    }
}

// Pair p of a row, border replacements included, written at out + 2p pixels.
template <bool Fine, bool OddRow, int Bytes>
ZENTHUE_INLINE void scalarPair(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int p,
                               int n, Tables t, Sums& sums) {
    const auto lv = pairLevels<ScalarOps, Fine, OddRow>(borderWindow<OddRow>(up, cur, down, p, n));
    BYTE* px = out + 2 * p * Bytes;
    emit<Bytes>(px, t, sums, lv.r0, lv.g0, lv.b0);
    emit<Bytes>(px + Bytes, t, sums, lv.r1, lv.g1, lv.b1);
}

// ---- Baseline rows -----------------------------------------------------------------------------

// The plain conversion, pair by pair.
template <bool OddRow, int Bytes>
Sums plainRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    for (int p = 0; p < n; ++p) scalarPair<false, OddRow, Bytes>(up, cur, down, out, p, n, t, sums);
    return sums;
}

// The fine conversion, always 24 bits. Each row is done in chunks: first the red, green and blue
// levels of a chunk's pixels are computed into three small planes (a loop without jumps over the
// interior pairs, which the compiler turns into vector code; the border pairs take their
// replaced neighbours), then the pixels are looked up, summed and written.

// Pairs per chunk.
constexpr int kChunkPairs = 256;

// Level planes of one chunk, pixel by pixel.
struct Planes {
    BYTE red[2 * kChunkPairs];
    BYTE green[2 * kChunkPairs];
    BYTE blue[2 * kChunkPairs];
};

ZENTHUE_INLINE void setPair(BYTE* r, BYTE* g, BYTE* b, int i, const PairLevels<Level>& lv) {
    r[i] = static_cast<BYTE>(lv.r0);
    g[i] = static_cast<BYTE>(lv.g0);
    b[i] = static_cast<BYTE>(lv.b0);
    r[i + 1] = static_cast<BYTE>(lv.r1);
    g[i + 1] = static_cast<BYTE>(lv.g1);
    b[i + 1] = static_cast<BYTE>(lv.b1);
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
        setPair(r, g, b, x, pairLevels<ScalarOps, true, OddRow>(plainWindow(u, c, d, x)));
    }
}

// The interior levels of even and odd rows, optimised for vector code at any build level.
#if defined(__clang__)
#define ZENTHUE_VECTOR_LOOP
#else
#define ZENTHUE_VECTOR_LOOP [[gnu::optimize("O3")]]
#endif

ZENTHUE_VECTOR_LOOP void interiorLevelsR(const BYTE* up, const BYTE* cur, const BYTE* down, int p0,
                                         int count, BYTE* r, BYTE* g, BYTE* b) {
    interiorLevelsBody<false>(up, cur, down, p0, count, r, g, b);
}

ZENTHUE_VECTOR_LOOP void interiorLevelsB(const BYTE* up, const BYTE* cur, const BYTE* down, int p0,
                                         int count, BYTE* r, BYTE* g, BYTE* b) {
    interiorLevelsBody<true>(up, cur, down, p0, count, r, g, b);
}

template <bool OddRow>
Sums fineRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n, Tables t) {
    Sums sums;
    Planes pl;
    for (int p0 = 0; p0 < n; p0 += kChunkPairs) {
        const int count = n - p0 < kChunkPairs ? n - p0 : kChunkPairs;
        int from = 0, to = count;  // the chunk's pairs that need no replacement
        if (p0 == 0) {
            setPair(pl.red, pl.green, pl.blue, 0,
                    pairLevels<ScalarOps, true, OddRow>(borderWindow<OddRow>(up, cur, down, 0, n)));
            from = 1;
        }
        if (p0 + count == n && n > 1) {
            setPair(
                pl.red, pl.green, pl.blue, 2 * (count - 1),
                pairLevels<ScalarOps, true, OddRow>(borderWindow<OddRow>(up, cur, down, n - 1, n)));
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
        sums.add(red, green, blue);
    }
    return sums;
}

// ---- Vector rows -------------------------------------------------------------------------------

// The row kernels of the active level for one conversion, or none (baseline).
struct Kernels {
    RowKernel even = nullptr;
    RowKernel odd = nullptr;
};

Kernels kernelsFor(bool fine, int bytes) {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return {rowKernelAvx512(fine, false, bytes), rowKernelAvx512(fine, true, bytes)};
        case Isa::avx2:
            return {rowKernelAvx2(fine, false, bytes), rowKernelAvx2(fine, true, bytes)};
        case Isa::baseline:
            break;
    }
#else
    (void)fine;
    (void)bytes;
#endif
    return {};
}

// True when the entries 0..255 of the three channel tables are all bytes: then the kernels' sums
// of output bytes are the sums of table values.
bool tablesAreBytes(const EngineState& s) {
    for (const auto* table : {&s.redTable, &s.greenTable, &s.blueTable}) {
        for (int i = 0; i < 256; ++i) {
            if ((*table)[i] < 0 || (*table)[i] > 255) return false;
        }
    }
    return true;
}

void fillByteTables(const EngineState& s, ByteTables& bt) {
    for (int i = 0; i < 256; ++i) {
        bt.red[i] = static_cast<BYTE>(s.redTable[i]);
        bt.green[i] = static_cast<BYTE>(s.greenTable[i]);
        bt.blue[i] = static_cast<BYTE>(s.blueTable[i]);
    }
}

// One row through a kernel: the first and last pair and whatever the kernel leaves are scalar.
// The caller makes sure n >= 2.
template <bool Fine, bool OddRow, int Bytes>
Sums vectorRow(RowKernel kernel, const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out,
               int n, Tables t, const ByteTables& bt, bool wantSums) {
    Sums sums;
    scalarPair<Fine, OddRow, Bytes>(up, cur, down, out, 0, n, t, sums);
    std::int64_t vs[3] = {0, 0, 0};
    int p = 1;
    if (n > 2) p += kernel(RowJob{up, cur, down, out, 1, n - 1, &bt, wantSums ? vs : nullptr});
    for (; p < n; ++p) scalarPair<Fine, OddRow, Bytes>(up, cur, down, out, p, n, t, sums);
    sums.add(vs[0], vs[1], vs[2]);
    return sums;
}

// Converts rows 1 to height - 2 and copies the first n pixel pairs of rows 1 and height - 2 into
// rows 0 and height - 1.
template <bool Fine, int Bytes>
Sums convertFrame(const EngineState& s, int width, int height) {
    const int n = width / 2;
    const Tables t{s.redTable.data(), s.greenTable.data(), s.blueTable.data()};
    // The kernels sum output bytes; tracking with tables beyond bytes stays scalar.
    const bool wantSums = s.wbMode == 1;
    Kernels k;
    if (n >= 2 && (!wantSums || tablesAreBytes(s))) k = kernelsFor(Fine, Bytes);
    ByteTables bt;
    if (k.even != nullptr) fillByteTables(s, bt);
    Sums sums;
    for (int i = 1; i <= height - 2; ++i) {
        const BYTE* up = s.srcRows[i - 1];
        const BYTE* cur = s.srcRows[i];
        const BYTE* down = s.srcRows[i + 1];
        BYTE* out = s.dstRows[i];
        const bool odd = i & 1;
        Sums row;
        if (k.even != nullptr) {
            row =
                odd ? vectorRow<Fine, true, Bytes>(k.odd, up, cur, down, out, n, t, bt, wantSums)
                    : vectorRow<Fine, false, Bytes>(k.even, up, cur, down, out, n, t, bt, wantSums);
        } else if constexpr (Fine) {
            row = odd ? fineRow<true>(up, cur, down, out, n, t)
                      : fineRow<false>(up, cur, down, out, n, t);
        } else {
            row = odd ? plainRow<true, Bytes>(up, cur, down, out, n, t)
                      : plainRow<false, Bytes>(up, cur, down, out, n, t);
        }
        sums.add(row.red, row.green, row.blue);
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
