// 12-bit path 1: a mosaic whose colors run in diagonal stripes (phase (row + column) mod 4:
// 0 red, 2 blue, 1 and 3 green), interpolated from a 5 x 5 neighbourhood and written mirrored.
//
// Only rows 2..height - 3 and columns 2..width - 3 can be interpolated. The border is filled
// from the nearest converted pixels so that the whole output is defined: the two outer
// columns on each side repeat the nearest converted column, rows 1 and 0 repeat row 2, and
// rows height - 2 and height - 1 repeat row height - 3. The white-balance statistics count the
// converted pixels only.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "conversions/conversions.h"
#include "conversions/raw12_kernel.h"
#include "engine/color_tables.h"
#include "engine/isa.h"
#include "engine/pixel_format.h"

namespace zenthue {

namespace {

// The five source rows around row i.
struct Window5 {
    Row12 m2, m1, c, p1, p2;
};

// Red and blue at a green site, as the two estimates along the diagonals: e1 is formed from
// the samples of the stripe through (i - 1, x), e2 from the stripe through (i + 1, x).
inline void greenSiteEstimates(const Window5& w, int x, int& e1, int& e2) {
    const int up = w.m1[x], left = w.c[x - 1], right = w.c[x + 1], down = w.p1[x];
    const int a = (w.p2[x + 1] + left) >> 1;
    const int b = (w.p1[x + 2] + up) >> 1;
    e1 = std::abs(up - a) < std::abs(left - b) ? (a + up) >> 1 : (b + left) >> 1;
    const int c = (w.m1[x - 2] + down) >> 1;
    const int d = (w.m2[x - 1] + right) >> 1;
    e2 = std::abs(right - c) < std::abs(down - d) ? (c + right) >> 1 : (d + down) >> 1;
}

// The red, green and blue levels of the pixel at x, whose phase (i + x) mod 4 is kPhase.
template <int kPhase>
inline void levelsAt(const Window5& w, int x, int& red, int& green, int& blue) {
    const int up = w.m1[x], down = w.p1[x], left = w.c[x - 1], right = w.c[x + 1];
    if constexpr (kPhase == 0) {
        red = w.c[x];
        blue = (w.c[x - 2] + w.c[x + 2]) >> 1;
        green =
            std::abs(up - down) < std::abs(left - right) ? (up + down) >> 1 : (left + right) >> 1;
    } else if constexpr (kPhase == 2) {
        blue = w.c[x];
        red = (w.c[x - 2] + w.c[x + 2]) >> 1;
        green =
            std::abs(left - right) < std::abs(up - down) ? (left + right) >> 1 : (up + down) >> 1;
    } else if constexpr (kPhase == 1) {
        green = w.c[x];
        greenSiteEstimates(w, x, red, blue);
    } else {
        green = w.c[x];
        greenSiteEstimates(w, x, blue, red);
    }
}

// Looks a pixel's levels up (levels above limit saturate), writes it and counts it.
struct RowWriter {
    const Raw12Lut& lut;
    int limit;
    std::int64_t red = 0, green = 0, blue = 0;

    void put(BYTE* p, int r, int g, int b) {
        const BYTE rb = lut.red[r < limit ? r : limit];
        const BYTE gb = lut.green[g < limit ? g : limit];
        const BYTE bb = lut.blue[b < limit ? b : limit];
        putBgr24(p, bb, gb, rb);
        red += rb;
        green += gb;
        blue += bb;
    }
    template <int kPhase>
    void pixel(const Window5& w, int x, BYTE* p) {
        int r, g, b;
        levelsAt<kPhase>(w, x, r, g, b);
        put(p, r, g, b);
    }
    void anyPixel(const Window5& w, int i, int x, BYTE* p) {
        switch ((i + x) & 3) {
            case 0:
                return pixel<0>(w, x, p);
            case 1:
                return pixel<1>(w, x, p);
            case 2:
                return pixel<2>(w, x, p);
            default:
                return pixel<3>(w, x, p);
        }
    }
};

struct Baseline {
    static constexpr int kLanes = 4;
    using IVec = IntX4;
    static void loadSamples(const BYTE* p, IVec& out) {
#if defined(__SSE2__)
        out = reinterpret_cast<IVec>(_mm_unpacklo_epi16(
            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128()));
#else
        for (int k = 0; k < kLanes; ++k) out[k] = Row12(reinterpret_cast<const WORD*>(p))[k];
#endif
    }
};

struct DiagonalKernel {
    Raw12DiagonalKernel levels;
    int lanes;
};

DiagonalKernel activeKernel() {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return {raw12DiagonalKernelAvx512(), 16};
        case Isa::avx2:
            return {raw12DiagonalKernelAvx2(), 8};
        case Isa::baseline:
            break;
    }
#endif
    return {raw12DiagonalLanes<Baseline>, Baseline::kLanes};
}

// Pixels 2 .. width - 3 of row i, written mirrored: their levels through the kernel a part of
// the row at a time, the last few short of a whole step one by one.
void convertRow(const DiagonalKernel& kernel, const Window5& w, int i, BYTE* out, int width,
                int limit, const Raw12Lut& lut, ChannelSums& sums) {
    const BYTE* const rows[5] = {w.m2.bytes, w.m1.bytes, w.c.bytes, w.p1.bytes, w.p2.bytes};
    constexpr int kPart = 256;
    alignas(64) int red[kPart], green[kPart], blue[kPart];
    RowWriter writer{lut, limit};
    const auto at = [&](int x) { return out + 3 * std::ptrdiff_t{width - 1 - x}; };
    const int last = width - 3;
    int x = 2;
    while (last - x + 1 >= kernel.lanes) {
        const int left = last - x + 1 < kPart ? last - x + 1 : kPart;
        const int count = left / kernel.lanes * kernel.lanes;
        kernel.levels(rows, i, x, count, red, green, blue);
        for (int k = 0; k < count; ++k) writer.put(at(x + k), red[k], green[k], blue[k]);
        x += count;
    }
    for (; x <= last; ++x) writer.anyPixel(w, i, x, at(x));
    sums.red += writer.red;
    sums.green += writer.green;
    sums.blue += writer.blue;
}

// Repeats output column 2 into columns 0 and 1, and column width - 3 into the last two.
void fillBorderColumns(BYTE* out, int width) {
    const BYTE* low = out + 6;
    const BYTE* high = out + 3 * std::ptrdiff_t{width - 3};
    std::memcpy(out, low, 3);
    std::memcpy(out + 3, low, 3);
    std::memcpy(out + 3 * std::ptrdiff_t{width - 2}, high, 3);
    std::memcpy(out + 3 * std::ptrdiff_t{width - 1}, high, 3);
}

}  // namespace

int convertRaw12Diagonal(EngineState& s, int width, int height) {
    if (width < 5 || height < 5) return 0;
    if (!rowsSetUp(s.srcRows12, 0, height - 1) || !rowsSetUp(s.dstRows, 0, height - 1)) return 0;

    buildLevelScale(s);
    Raw12Lut lut;
    buildRaw12Lut(s, lut);
    const int limit = std::clamp(s.tableMax, 0, kTableSize - 1);

    const DiagonalKernel kernel = activeKernel();
    ChannelSums sums;
    for (int i = 2; i <= height - 3; ++i) {
        const Window5 w{Row12(s.srcRows12[i - 2]), Row12(s.srcRows12[i - 1]), Row12(s.srcRows12[i]),
                        Row12(s.srcRows12[i + 1]), Row12(s.srcRows12[i + 2])};
        convertRow(kernel, w, i, s.dstRows[i], width, limit, lut, sums);
        fillBorderColumns(s.dstRows[i], width);
    }
    const std::size_t rowBytes = 3 * static_cast<std::size_t>(width);
    std::memmove(s.dstRows[1], s.dstRows[2], rowBytes);
    std::memmove(s.dstRows[0], s.dstRows[1], rowBytes);
    std::memmove(s.dstRows[height - 2], s.dstRows[height - 3], rowBytes);
    std::memmove(s.dstRows[height - 1], s.dstRows[height - 2], rowBytes);

    if (s.wbMode != 1) return 0;
    const std::int64_t count = std::int64_t{height - 4} * (width - 4);
    return trackWhiteBalance(s, static_cast<double>(sums.red / count),
                             static_cast<double>(sums.green / count),
                             static_cast<double>(sums.blue / count));
}

}  // namespace zenthue
