// Raw-to-color interpolation of the RGGB mosaic: the plain conversion (straight means) and the
// fine conversion (edge-directed green and diagonal colors), with the white-balance hooks.
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "engine/color_tables.h"
#include "engine/pixel_format.h"
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
};

// Looks the three levels up, adds them to the sums and writes the pixel (3 or 2 bytes).
template <int Bytes>
inline void emit(BYTE* p, const Tables& t, Sums& sums, int red, int green, int blue) {
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

// Green at an R or B site along the direction of least change, 8 levels of hysteresis.
inline int fineGreen(int left, int right, int up, int down) {
    const int dv = std::abs(up - down), dh = std::abs(left - right);
    if (dv + 8 < dh) return (up + down) >> 1;
    if (dh < dv - 8) return (left + right) >> 1;
    const int ld = std::abs(left - down), ru = std::abs(right - up);
    if (ld + 8 < ru) return (left + down) >> 1;
    if (ru < ld - 8) return (right + up) >> 1;
    const int lu = std::abs(left - up), rd = std::abs(right - down);
    if (lu + 8 < rd) return (left + up) >> 1;
    if (rd < lu - 8) return (right + down) >> 1;
    return (left + right + up + down) >> 2;
}

// The color on the diagonals of an R or B site, likewise.
inline int fineDiagonal(int ul, int dl, int ur, int dr) {
    const int dLeft = std::abs(ul - dl), dRight = std::abs(ur - dr);
    if (dLeft + 8 < dRight) return (ul + dl) >> 1;
    if (dRight < dLeft - 8) return (ur + dr) >> 1;
    const int dDown = std::abs(dr - dl), dUp = std::abs(ur - ul);
    if (dDown + 8 < dUp) return (dl + dr) >> 1;
    if (dUp < dDown - 8) return (ul + ur) >> 1;
    const int dMain = std::abs(dr - ul), dAnti = std::abs(ur - dl);
    if (dMain + 8 < dAnti) return (ul + dr) >> 1;
    if (dAnti < dMain - 8) return (ur + dl) >> 1;
    return (((ul + dl) >> 1) + ((ur + dr) >> 1)) >> 1;
}

// One row of an even row-table index: R G R G ... The left diagonal pair of column 0 is the pair
// directly above and below it; column w (= 2n) reads column w - 2.
template <bool Fine, int Bytes>
void convertRRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n,
                 const Tables& t, Sums& sums) {
    int left = cur[1];                       // cur[x - 1]
    int upLeft = up[0], downLeft = down[0];  // up[x - 1], down[x - 1]
    int meanLeft = (upLeft + downLeft) >> 1;
    const auto pair = [&](int x, int right2) {
        const int c0 = cur[x], c1 = cur[x + 1];
        const int u1 = up[x + 1], d1 = down[x + 1];
        const int mean1 = (u1 + d1) >> 1;
        int green0, blue0;
        if constexpr (Fine) {
            green0 = fineGreen(left, c1, up[x], down[x]);
            blue0 = fineDiagonal(upLeft, downLeft, u1, d1);
        } else {
            green0 = (left + c1 + up[x] + down[x]) >> 2;
            blue0 = (meanLeft + mean1) >> 1;
        }
        emit<Bytes>(out + x * Bytes, t, sums, c0, green0, blue0);
        emit<Bytes>(out + (x + 1) * Bytes, t, sums, (c0 + right2) >> 1, c1, mean1);
        left = c1;
        upLeft = u1;
        downLeft = d1;
        meanLeft = mean1;
    };
    int x = 0;
    for (; x < 2 * n - 2; x += 2) pair(x, cur[x + 2]);
    pair(x, cur[x]);
}

// One row of an odd row-table index: G B G B ... Column -1 reads column 1; column w reads
// column w - 2 in all three rows.
template <bool Fine, int Bytes>
void convertBRow(const BYTE* up, const BYTE* cur, const BYTE* down, BYTE* out, int n,
                 const Tables& t, Sums& sums) {
    int left = cur[1];             // cur[x - 1]
    int u0 = up[0], d0 = down[0];  // up[x], down[x], carried from the previous pair
    int mean0 = (u0 + d0) >> 1;
    const auto pair = [&](int x, int c2, int u2, int d2) {
        const int c0 = cur[x], c1 = cur[x + 1];
        const int u1 = up[x + 1], d1 = down[x + 1];
        const int mean2 = (u2 + d2) >> 1;
        emit<Bytes>(out + x * Bytes, t, sums, mean0, c0, (left + c1) >> 1);
        int red1, green1;
        if constexpr (Fine) {
            green1 = fineGreen(c0, c2, u1, d1);
            red1 = fineDiagonal(u0, d0, u2, d2);
        } else {
            green1 = (c0 + c2 + u1 + d1) >> 2;
            red1 = (mean0 + mean2) >> 1;
        }
        emit<Bytes>(out + (x + 1) * Bytes, t, sums, red1, green1, c1);
        left = c1;
        u0 = u2;
        d0 = d2;
        mean0 = mean2;
    };
    int x = 0;
    for (; x < 2 * n - 2; x += 2) pair(x, cur[x + 2], up[x + 2], down[x + 2]);
    pair(x, cur[x], up[x], down[x]);
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
        if (i & 1) {
            convertBRow<Fine, Bytes>(up, cur, down, s.dstRows[i], n, t, sums);
        } else {
            convertRRow<Fine, Bytes>(up, cur, down, s.dstRows[i], n, t, sums);
        }
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
