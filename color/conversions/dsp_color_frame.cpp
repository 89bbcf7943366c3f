// The DSP color frame: impulse removal on the raw Bayer frame, then per pixel a luminance and
// two row-smoothed color differences mapped to red, green and blue with the channel gains.
#include <algorithm>
#include <array>
#include <cstdint>

#include "conversions/conversions.h"
#include "engine/pixel_format.h"
#include "zenthue.h"

namespace zenthue {

namespace {

// A sample this far beyond all four same-color (or diagonal) neighbours is an impulse.
constexpr int kPeakThreshold = 15;

struct Chroma {
    float cr, cb;
};

// The mean of a row's samples left and right of x: the side mean of the current row, the
// diagonal mean of the rows above and below.
inline int pairMean(const BYTE* row, int x) {
    return (row[x - 1] + row[x + 1]) >> 1;
}

// Color differences at column x of an R row (R site at even x, G site at odd x).
inline Chroma redRowChroma(const BYTE* up, const BYTE* cur, const BYTE* down, int x) {
    const int vertical = up[x] + down[x];
    const int diagonals = pairMean(up, x) + pairMean(down, x);
    int greens, blues, r, g;
    if ((x & 1) == 0) {
        greens = vertical, blues = diagonals, r = cur[x], g = pairMean(cur, x);
    } else {
        greens = diagonals, blues = vertical, r = pairMean(cur, x), g = cur[x];
    }
    return {static_cast<float>(0.055 * greens - 0.055 * blues + 0.7 * (r - g)),
            static_cast<float>(0.445 * blues - 0.445 * greens + 0.3 * (g - r))};
}

// Color differences at column x of a B row (B site at odd x, G site at even x).
inline Chroma blueRowChroma(const BYTE* up, const BYTE* cur, const BYTE* down, int x) {
    const int vertical = up[x] + down[x];
    const int diagonals = pairMean(up, x) + pairMean(down, x);
    int reds, greens, g, b;
    if (x & 1) {
        reds = diagonals, greens = vertical, g = pairMean(cur, x), b = cur[x];
    } else {
        reds = vertical, greens = diagonals, g = cur[x], b = pairMean(cur, x);
    }
    return {static_cast<float>(0.35 * (reds - greens) + 0.11 * (g - b)),
            static_cast<float>(0.15 * (greens - reds) + 0.89 * (b - g))};
}

// Luminance 0..255 from the site's own color and the means of the others.
inline int siteLuma(const BYTE* up, const BYTE* cur, const BYTE* down, int x, bool redRow) {
    const int cross = (cur[x - 1] + cur[x + 1] + up[x] + down[x]) >> 2;
    const int diagonal = (up[x - 1] + up[x + 1] + down[x - 1] + down[x + 1]) >> 2;
    const int side = pairMean(cur, x);
    const int vertical = (up[x] + down[x]) >> 1;
    int r, g, b;
    if (redRow) {
        if ((x & 1) == 0) {
            r = cur[x], g = cross, b = diagonal;
        } else {
            r = side, g = cur[x], b = vertical;
        }
    } else if (x & 1) {
        r = diagonal, g = cross, b = cur[x];
    } else {
        r = vertical, g = cur[x], b = side;
    }
    const double y = ((0.3 * r + 0.59 * g + 0.11 * b) + (0.25 * r + 0.5 * g + 0.25 * b)) * 0.5;
    return std::clamp(static_cast<int>(y), 0, 255);
}

// A color difference smoothed against its smoothed left and unsmoothed right neighbours.
inline float smooth(float c, float prev, float next) {
    if ((c < prev && c < next) || (c > prev && c > next)) return (prev + next) * 0.5f;
    if (prev < c && c < next) return (prev + 2.0f * next) * 0.33333334f;
    if (next < c && c < prev) return (2.0f * prev + next) * 0.33333334f;
    return c;
}

// Per-call tables: luminance 0..255 to the scaled value 4 * Y (after gamma and gain), and an
// output level 0..255 to its tone-gamma level (held to a byte, since it is written as one).
struct DspTables {
    std::array<float, 256> lumaScaled;
    std::array<BYTE, 256> tone;
};

void buildTables(const EngineState& s, DspTables& t) {
    for (int y = 0; y < 256; ++y) {
        const std::int64_t gammaY = s.lumaGammaOn ? s.lumaGammaTable[y] : y;
        t.lumaScaled[y] = static_cast<float>(4 * (gammaY * s.lumaGain / 32));
        t.tone[y] = static_cast<BYTE>(s.toneGammaOn ? std::clamp(s.toneGammaTable[y], 0, 255) : y);
    }
}

// A channel value rounded to single precision, then saturated or truncated to 0..255.
inline int channelLevel(double v) {
    const float f = static_cast<float>(v);
    return f >= 255.0f ? 255 : (f <= 0.0f ? 0 : static_cast<int>(f));
}

struct Bgr24 {
    static void put(BYTE* row, int x, int red, int green, int blue) {
        putBgr24(row + 3 * std::ptrdiff_t{x}, blue, green, red);
    }
};
struct Rgb555 {
    static void put(BYTE* row, int x, int red, int green, int blue) {
        putRgb555(row + 2 * std::ptrdiff_t{x}, red, green, blue);
    }
};

template <class Out, bool kRedRow>
void convertRow(const EngineState& s, const DspTables& t, const BYTE* up, const BYTE* cur,
                const BYTE* down, BYTE* out, int first, int last) {
    const auto chroma = [&](int x) {
        return kRedRow ? redRowChroma(up, cur, down, x) : blueRowChroma(up, cur, down, x);
    };
    const double redGain = s.redGain, greenGain = s.greenGain, blueGain = s.blueGain;
    float crPrev = 0.0f, cbPrev = 0.0f;
    Chroma here = chroma(first);
    for (int x = first; x <= last; ++x) {
        const Chroma next = chroma(x + 1);
        const float cr = smooth(here.cr, crPrev, next.cr);
        const float cb = smooth(here.cb, cbPrev, next.cb);
        crPrev = cr;
        cbPrev = cb;
        here = next;

        const float y = t.lumaScaled[siteLuma(up, cur, down, x, kRedRow)];
        const int green = channelLevel((0.782 * y - cr - cb) * greenGain * 0.03125);
        const int red = channelLevel((0.254 * y + cr) * redGain * 0.03125);
        const int blue = channelLevel((0.28 * y + cb) * blueGain * 0.03125);
        Out::put(out, x, t.tone[red], t.tone[green], t.tone[blue]);
    }
}

template <class Out>
void convertArea(const EngineState& s, const DspTables& t, const DspArea& a) {
    for (int i = a.firstRow; i <= a.lastRow; ++i) {
        const BYTE* up = s.srcRows[i - 1];
        const BYTE* cur = s.srcRows[i];
        const BYTE* down = s.srcRows[i + 1];
        if (i & 1) {
            convertRow<Out, false>(s, t, up, cur, down, s.dstRows[i], a.firstColumn, a.lastColumn);
        } else {
            convertRow<Out, true>(s, t, up, cur, down, s.dstRows[i], a.firstColumn, a.lastColumn);
        }
    }
}

}  // namespace

void removeMosaicPeaks(EngineState& s, const DspArea& a) {
    for (int i = a.firstRow; i <= a.lastRow; ++i) {
        const BYTE* m2 = s.srcRows[i - 2];
        const BYTE* m1 = s.srcRows[i - 1];
        BYTE* c = s.srcRows[i];
        const BYTE* p1 = s.srcRows[i + 1];
        const BYTE* p2 = s.srcRows[i + 2];
        for (int x = a.firstColumn; x <= a.lastColumn; ++x) {
            int n0, n1, n2, n3;
            if (((i ^ x) & 1) == 0) {  // R or B site: the nearest samples of its own color
                n0 = m2[x], n1 = p2[x], n2 = c[x - 2], n3 = c[x + 2];
            } else {  // G site: the four diagonal greens
                n0 = m1[x - 1], n1 = m1[x + 1], n2 = p1[x - 1], n3 = p1[x + 1];
            }
            const int v = c[x];
            const int high = std::max({n0, n1, n2, n3});
            const int low = std::min({n0, n1, n2, n3});
            if (v - high >= kPeakThreshold || low - v >= kPeakThreshold) {
                c[x] = static_cast<BYTE>((n0 + n1 + n2 + n3) >> 2);
            }
        }
    }
}

void convertDspArea(EngineState& s, const DspArea& area) {
    DspTables tables;
    buildTables(s, tables);
    if (s.formatType == 2) {
        convertArea<Bgr24>(s, tables, area);
    } else if (s.formatType == 1) {
        convertArea<Rgb555>(s, tables, area);
    }
}

}  // namespace zenthue

using namespace zenthue;

extern "C" int GetDspColorFrame(int width, int height) {
    EngineState& s = engineState();
    const DspArea area = dspArea(width, height);
    // Nothing to convert, a frame taller than the row tables, or rows never set up.
    if (area.empty() || height > kMaxRows) return 1;
    const bool writes = s.formatType == 2 || s.formatType == 1;
    if (!rowsSetUp(s.srcRows, area.firstRow - 2, area.lastRow + 2) ||
        (writes && !rowsSetUp(s.dstRows, area.firstRow, area.lastRow))) {
        return 1;
    }
    removeMosaicPeaks(s, area);
    if (writes) convertDspArea(s, area);
    if (s.wbMode == 1) dspWhiteBalance(s, area);
    return 1;
}
