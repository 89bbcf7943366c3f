// 12-bit path 0: a Bayer mosaic of 16-bit samples, interpolated with plain means, written
// mirrored through the channel tables and the level scale.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "conversions/conversions.h"
#include "engine/color_tables.h"
#include "engine/pixel_format.h"

namespace zenthue {

namespace {

constexpr int kTopLevel = kTableSize - 1;

// Looks the three values up (levels above 4095 saturate), writes the pixel and counts it.
inline void emit(BYTE* p, const Raw12Lut& lut, int red, int green, int blue, ChannelSums& sums) {
    const BYTE r = lut.red[std::min(red, kTopLevel)];
    const BYTE g = lut.green[std::min(green, kTopLevel)];
    const BYTE b = lut.blue[std::min(blue, kTopLevel)];
    putBgr24(p, b, g, r);
    sums.red += r;
    sums.green += g;
    sums.blue += b;
}

// One row of pairs. Pixel x goes to output column width - 1 - x. For each pair (x, x + 1):
// left is the column standing for x - 1 in the same row (1 at x = 0), diagLeft the one for the
// diagonal pair of an R site (0 at x = 0), right the one for x + 2 (w - 2 past the end).
template <bool kRedRow>
void convertRow(Row12 up, Row12 cur, Row12 down, BYTE* out, int width, int pairs,
                const Raw12Lut& lut, ChannelSums& sums) {
    const int w = 2 * pairs;
    BYTE* p = out + 3 * std::ptrdiff_t{width - 1};
    for (int x = 0; x < w; x += 2, p -= 6) {
        const int left = x ? x - 1 : 1;
        const int right = x + 2 < w ? x + 2 : w - 2;
        const int c0 = cur[x], c1 = cur[x + 1];
        const int u0 = up[x], u1 = up[x + 1], d0 = down[x], d1 = down[x + 1];
        if constexpr (kRedRow) {
            const int diagLeft = x ? x - 1 : 0;
            // R site.
            emit(p, lut, c0, (cur[left] + c1 + u0 + d0) >> 2,
                 (((up[diagLeft] + down[diagLeft]) >> 1) + ((u1 + d1) >> 1)) >> 1, sums);
            // G site of an R row.
            emit(p - 3, lut, (c0 + cur[right]) >> 1, c1, (u1 + d1) >> 1, sums);
        } else {
            // G site of a B row.
            emit(p, lut, (u0 + d0) >> 1, c0, (cur[left] + c1) >> 1, sums);
            // B site.
            emit(p - 3, lut, (((u0 + d0) >> 1) + ((up[right] + down[right]) >> 1)) >> 1,
                 (c0 + cur[right] + u1 + d1) >> 2, c1, sums);
        }
    }
}

}  // namespace

int convertRaw12Bayer(EngineState& s, int width, int height) {
    if (width < 2 || height < 3) return 0;
    if (!rowsSetUp(s.srcRows12, 0, height - 1) || !rowsSetUp(s.dstRows, 0, height - 1)) return 0;

    buildLevelScale(s);
    Raw12Lut lut;
    buildRaw12Lut(s, lut);

    const int pairs = width / 2;
    ChannelSums sums;
    for (int i = 1; i <= height - 2; ++i) {
        const Row12 up(s.srcRows12[i - 1]), cur(s.srcRows12[i]), down(s.srcRows12[i + 1]);
        if (i & 1) {
            convertRow<false>(up, cur, down, s.dstRows[i], width, pairs, lut, sums);
        } else {
            convertRow<true>(up, cur, down, s.dstRows[i], width, pairs, lut, sums);
        }
    }

    // The outer rows repeat their neighbours: the written span of an odd width starts at
    // output column 1, and that span is what is copied.
    const std::ptrdiff_t first = 3 * std::ptrdiff_t{width - 2 * pairs};
    const std::size_t bytes = 6 * static_cast<std::size_t>(pairs);
    std::memmove(s.dstRows[0] + first, s.dstRows[1] + first, bytes);
    std::memmove(s.dstRows[height - 1] + first, s.dstRows[height - 2] + first, bytes);

    if (s.wbMode != 1) return 0;
    const double count = static_cast<double>(std::int64_t{height - 2} * 2 * pairs);
    return trackWhiteBalance(s, static_cast<double>(sums.red) / count,
                             static_cast<double>(sums.green) / count,
                             static_cast<double>(sums.blue) / count);
}

}  // namespace zenthue
