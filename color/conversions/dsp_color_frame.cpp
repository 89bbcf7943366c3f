// The DSP color frame: impulse removal on the raw Bayer frame, then per pixel a luminance and
// two row-smoothed color differences mapped to red, green and blue with the channel gains.
#include <algorithm>
#include <array>
#include <cstdint>

#include "conversions/conversions.h"
#include "conversions/dsp_kernel.h"
#include "engine/isa.h"
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

struct Baseline {
    static constexpr int kLanes = 4;
    using Vec = DoubleX4;
    using FVec = FloatX4;
    using IVec = IntX4;
};

// The kernels of the active level and their lane count.
struct DspKernels {
    DspChromaKernel chroma;
    DspLevelKernel levels;
    int lanes;
};

DspKernels activeKernels() {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return {dspChromaKernelAvx512(), dspLevelKernelAvx512(), 8};
        case Isa::avx2:
            return {dspChromaKernelAvx2(), dspLevelKernelAvx2(), 8};
        case Isa::baseline:
            break;
    }
#endif
    return {dspChromaLanes<Baseline>, dspLevelLanes<Baseline>, Baseline::kLanes};
}

#if defined(__SSE2__)
// smooth() on four color differences at once (lanes side by side, each with its own left and
// right neighbour): every candidate is computed and one chosen by masks (the cases exclude each
// other), so noisy rows cost no mispredicted branches.
inline __m128 smooth4(__m128 c, __m128 prev, __m128 next) {
    const __m128 two = _mm_set1_ps(2.0f), third = _mm_set1_ps(0.33333334f);
    const __m128 between = _mm_mul_ps(_mm_add_ps(prev, next), _mm_set1_ps(0.5f));
    const __m128 towardNext = _mm_mul_ps(_mm_add_ps(prev, _mm_mul_ps(two, next)), third);
    const __m128 towardPrev = _mm_mul_ps(_mm_add_ps(_mm_mul_ps(two, prev), next), third);
    const __m128 belowPrev = _mm_cmplt_ps(c, prev), abovePrev = _mm_cmpgt_ps(c, prev);
    const __m128 belowNext = _mm_cmplt_ps(c, next), aboveNext = _mm_cmpgt_ps(c, next);
    const __m128 peak =
        _mm_or_ps(_mm_and_ps(belowPrev, belowNext), _mm_and_ps(abovePrev, aboveNext));
    const __m128 rising = _mm_and_ps(abovePrev, belowNext);
    const __m128 falling = _mm_and_ps(belowPrev, aboveNext);
    const __m128 changed = _mm_or_ps(peak, _mm_or_ps(rising, falling));
    return _mm_or_ps(_mm_or_ps(_mm_and_ps(peak, between), _mm_and_ps(rising, towardNext)),
                     _mm_or_ps(_mm_and_ps(falling, towardPrev), _mm_andnot_ps(changed, c)));
}
#endif

// One row of the area in parts of up to kPart pixels: the kernels take whole steps of lanes,
// the scalar rules the rest; the smoothing runs along the row between them.
template <class Out>
struct RowWork {
    static constexpr int kPart = 256;
    const DspTables& t;
    const DspKernels& k;
    DspGains gains;
    const BYTE *up, *cur, *down;
    BYTE* out;
    bool redRow;
    float crPrev = 0.0f, cbPrev = 0.0f;
    alignas(64) float crRaw[kPart + 1], cbRaw[kPart + 1], y[kPart], cr[kPart], cb[kPart];
    alignas(64) int luma[kPart + 1], red[kPart], green[kPart], blue[kPart];

    RowWork(const EngineState& s, const DspTables& tables, const DspKernels& kernels, int i)
        : t(tables),
          k(kernels),
          gains{static_cast<double>(s.redGain), static_cast<double>(s.greenGain),
                static_cast<double>(s.blueGain)},
          up(s.srcRows[i - 1]),
          cur(s.srcRows[i]),
          down(s.srcRows[i + 1]),
          out(s.dstRows[i]),
          redRow((i & 1) == 0) {}

    // Color differences for x0 .. x0 + n (the last is the next part's first right neighbour),
    // luminance for x0 .. x0 + n - 1.
    void differences(int x0, int n) {
        const int vector = (n + 1) / k.lanes * k.lanes;
        k.chroma(up, cur, down, x0, vector, redRow, crRaw, cbRaw, luma);
        for (int i = vector; i <= n; ++i) {
            const Chroma c =
                redRow ? redRowChroma(up, cur, down, x0 + i) : blueRowChroma(up, cur, down, x0 + i);
            crRaw[i] = c.cr;
            cbRaw[i] = c.cb;
            if (i < n) luma[i] = siteLuma(up, cur, down, x0 + i, redRow);
        }
        for (int i = 0; i < n; ++i) y[i] = t.lumaScaled[luma[i]];
    }
    void smoothAlone(int n) {
        for (int i = 0; i < n; ++i) {
            crPrev = cr[i] = smooth(crRaw[i], crPrev, crRaw[i + 1]);
            cbPrev = cb[i] = smooth(cbRaw[i], cbPrev, cbRaw[i + 1]);
        }
    }
    void write(int x0, int n) {
        const int vector = n / k.lanes * k.lanes;
        k.levels(y, cr, cb, vector, gains, red, green, blue);
        for (int i = vector; i < n; ++i) {
            green[i] = channelLevel((0.782 * y[i] - cr[i] - cb[i]) * gains.green * 0.03125);
            red[i] = channelLevel((0.254 * y[i] + cr[i]) * gains.red * 0.03125);
            blue[i] = channelLevel((0.28 * y[i] + cb[i]) * gains.blue * 0.03125);
        }
        for (int i = 0; i < n; ++i) {
            Out::put(out, x0 + i, t.tone[red[i]], t.tone[green[i]], t.tone[blue[i]]);
        }
    }
};

// Smooths two rows side by side: four independent chains in one register, so no step waits on
// the one before in the same row.
template <class Out>
void smoothPair(RowWork<Out>& a, RowWork<Out>& b, int n) {
#if defined(__SSE2__)
    __m128 prev = _mm_setr_ps(a.crPrev, a.cbPrev, b.crPrev, b.cbPrev);
    __m128 c = _mm_setr_ps(a.crRaw[0], a.cbRaw[0], b.crRaw[0], b.cbRaw[0]);
    alignas(16) float lanes[4];
    for (int i = 0; i < n; ++i) {
        const __m128 next =
            _mm_setr_ps(a.crRaw[i + 1], a.cbRaw[i + 1], b.crRaw[i + 1], b.cbRaw[i + 1]);
        prev = smooth4(c, prev, next);
        c = next;
        _mm_store_ps(lanes, prev);
        a.cr[i] = lanes[0];
        a.cb[i] = lanes[1];
        b.cr[i] = lanes[2];
        b.cb[i] = lanes[3];
    }
    _mm_store_ps(lanes, prev);
    a.crPrev = lanes[0], a.cbPrev = lanes[1], b.crPrev = lanes[2], b.cbPrev = lanes[3];
#else
    a.smoothAlone(n);
    b.smoothAlone(n);
#endif
}

// Calls part(x0, n) for the area's columns, n <= kPart of them at a time from x0.
template <int kPart, class Part>
void forParts(const DspArea& a, Part part) {
    for (int x0 = a.firstColumn; x0 <= a.lastColumn; x0 += kPart)
        part(x0, a.lastColumn - x0 + 1 < kPart ? a.lastColumn - x0 + 1 : kPart);
}

template <class Out>
void convertArea(const EngineState& s, const DspTables& t, const DspArea& a) {
    const DspKernels k = activeKernels();
    constexpr int kPart = RowWork<Out>::kPart;
    int i = a.firstRow;
    for (; i + 1 <= a.lastRow; i += 2) {
        RowWork<Out> first(s, t, k, i), second(s, t, k, i + 1);
        forParts<kPart>(a, [&](int x0, int n) {
            first.differences(x0, n);
            second.differences(x0, n);
            smoothPair(first, second, n);
            first.write(x0, n);
            second.write(x0, n);
        });
    }
    if (i == a.lastRow) {
        RowWork<Out> last(s, t, k, i);
        forParts<kPart>(a, [&](int x0, int n) {
            last.differences(x0, n);
            last.smoothAlone(n);
            last.write(x0, n);
        });
    }
}

// The impulse rule at one sample: replaced by the mean of its four neighbours when it lies at
// least kPeakThreshold beyond all of them.
inline int withoutPeak(int v, int n0, int n1, int n2, int n3) {
    const int high = std::max(std::max(n0, n1), std::max(n2, n3));
    const int low = std::min(std::min(n0, n1), std::min(n2, n3));
    const bool peak = v - high >= kPeakThreshold || low - v >= kPeakThreshold;
    return peak ? (n0 + n1 + n2 + n3) >> 2 : v;
}

}  // namespace

void removeMosaicPeaks(EngineState& s, const DspArea& a) {
    for (int i = a.firstRow; i <= a.lastRow; ++i) {
        const BYTE* m2 = s.srcRows[i - 2];
        const BYTE* m1 = s.srcRows[i - 1];
        BYTE* c = s.srcRows[i];
        const BYTE* p1 = s.srcRows[i + 1];
        const BYTE* p2 = s.srcRows[i + 2];
        // R or B sites (x of the row's parity) compare with the nearest samples of their own
        // color, of which the left one may just have been replaced; G sites with the four
        // diagonal greens.
        const auto own = [&](int x) {
            c[x] = static_cast<BYTE>(withoutPeak(c[x], m2[x], p2[x], c[x - 2], c[x + 2]));
        };
        const auto green = [&](int x) {
            c[x] = static_cast<BYTE>(withoutPeak(c[x], m1[x - 1], m1[x + 1], p1[x - 1], p1[x + 1]));
        };
        int x = a.firstColumn;
        if (((i ^ x) & 1) != 0) green(x++);
        for (; x < a.lastColumn; x += 2) {
            own(x);
            green(x + 1);
        }
        if (x == a.lastColumn) own(x);
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
