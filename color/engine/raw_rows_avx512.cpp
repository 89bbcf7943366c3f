// Row kernels of the raw-to-color conversions for AVX-512 (F, BW, VL, VBMI): 32 pairs a register
// in 16-bit lanes, table lookups by byte permutes, and masked loads and stores for the last
// pairs. Compiled for that level only; everything here but the selector is local to the file.
#include <immintrin.h>

#include <cstdint>

#include "engine/raw_rows.h"
#include "engine/raw_rules.h"

namespace zenthue {

namespace {

// __m512i carries an attribute a template argument would drop; this type has none.
using Vec = long long __attribute__((vector_size(64)));

struct Ops {
    static Vec absDiff(Vec a, Vec b) { return _mm512_abs_epi16(_mm512_sub_epi16(a, b)); }
    static Vec mean2(Vec a, Vec b) { return _mm512_srli_epi16(_mm512_add_epi16(a, b), 1); }
    static Vec mean4(Vec a, Vec b, Vec c, Vec d) {
        return _mm512_srli_epi16(_mm512_add_epi16(_mm512_add_epi16(a, b), _mm512_add_epi16(c, d)),
                                 2);
    }
    static __mmask32 clearlyLess(Vec a, Vec b) {
        return _mm512_cmplt_epi16_mask(_mm512_add_epi16(a, _mm512_set1_epi16(8)), b);
    }
    static Vec select(__mmask32 c, Vec then, Vec otherwise) {
        return _mm512_mask_blend_epi16(c, otherwise, then);
    }
};

constexpr int kPairs = 32;  // pairs a register

// A 256-entry byte table in four registers.
struct Lut {
    Vec q[4];
    explicit Lut(const BYTE* table) {
        for (int i = 0; i < 4; ++i) q[i] = _mm512_load_si512(table + 64 * i);
    }
    Vec operator()(Vec index) const {
        const Vec low = _mm512_permutex2var_epi8(q[0], index, q[1]);
        const Vec high = _mm512_permutex2var_epi8(q[2], index, q[3]);
        return _mm512_mask_blend_epi8(_mm512_movepi8_mask(index), low, high);
    }
};

// Permute indices that interleave planes of 64 blue, green and red bytes into three registers
// of 24-bit pixels: blueGreen[k] picks blue (0..63) or green (64..127) bytes, red[k] the red
// bytes at the positions of redMask[k].
struct Interleave {
    alignas(64) BYTE blueGreen[3][64];
    alignas(64) BYTE red[3][64];
    std::uint64_t redMask[3];
};

constexpr Interleave makeInterleave() {
    Interleave t{};
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < 64; ++j) {
            const int o = 64 * k + j, pixel = o / 3, channel = o % 3;
            t.blueGreen[k][j] = static_cast<BYTE>(channel == 1 ? 64 + pixel : pixel);
            t.red[k][j] = static_cast<BYTE>(pixel);
            if (channel == 2) t.redMask[k] |= std::uint64_t{1} << j;
        }
    }
    return t;
}

constexpr Interleave kInterleave = makeInterleave();

// The first n bits set, n in 0..64.
std::uint64_t firstBits(int n) {
    return n >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << (n < 0 ? 0 : n)) - 1;
}

Vec low(Vec v) {
    return _mm512_and_si512(v, _mm512_set1_epi16(0xFF));
}
Vec high(Vec v) {
    return _mm512_srli_epi16(v, 8);
}

// Words at row + offset, lanes outside the mask read as zero (and not read at all).
Vec load(const BYTE* row, int offset, __mmask32 m) {
    return _mm512_maskz_loadu_epi16(m, row + offset);
}

// The samples of the pairs at column x on, lanes outside the mask zero.
template <bool OddRow>
PairWindow<Vec> window(const RowJob& job, int x, __mmask32 m) {
    PairWindow<Vec> w{};
    const Vec c = load(job.cur, x, m), u = load(job.up, x, m), d = load(job.down, x, m);
    w.left = low(load(job.cur, x - 1, m));
    w.c0 = low(c);
    w.c1 = high(c);
    w.right2 = low(load(job.cur, x + 2, m));
    w.u0 = low(u);
    w.u1 = high(u);
    w.d0 = low(d);
    w.d1 = high(d);
    if constexpr (OddRow) {
        w.u2 = low(load(job.up, x + 2, m));
        w.d2 = low(load(job.down, x + 2, m));
    } else {
        w.ul = low(load(job.up, x - 1, m));
        w.dl = low(load(job.down, x - 1, m));
    }
    return w;
}

// Two pixels' levels of every pair as one plane of 64 bytes in pixel order.
Vec plane(Vec first, Vec second) {
    return _mm512_or_si512(first, _mm512_slli_epi16(second, 8));
}

// 24-bit pixels of the three output planes; bytes beyond `bytes` are left alone.
void storeBgr24(BYTE* out, Vec blue, Vec green, Vec red, int bytes) {
    for (int k = 0; k < 3; ++k) {
        const Vec bg =
            _mm512_permutex2var_epi8(blue, _mm512_load_si512(kInterleave.blueGreen[k]), green);
        const Vec px = _mm512_mask_permutexvar_epi8(bg, kInterleave.redMask[k],
                                                    _mm512_load_si512(kInterleave.red[k]), red);
        _mm512_mask_storeu_epi8(out + 64 * k, firstBits(bytes - 64 * k), px);
    }
}

// 5-5-5 words of one pixel of every pair, from words holding its levels.
Vec rgb555(Vec blue, Vec green, Vec red) {
    const Vec r = _mm512_and_si512(_mm512_slli_epi16(red, 7), _mm512_set1_epi16(0x7C00));
    const Vec g = _mm512_and_si512(_mm512_slli_epi16(green, 2), _mm512_set1_epi16(0x03E0));
    return _mm512_or_si512(_mm512_or_si512(r, g), _mm512_srli_epi16(blue, 3));
}

// Word indices that interleave the words of the pairs' first and second pixels.
struct PairOrder {
    alignas(64) std::uint16_t half[2][32];
};

constexpr PairOrder makePairOrder() {
    PairOrder t{};
    for (int h = 0; h < 2; ++h) {
        for (int j = 0; j < 32; ++j) {
            t.half[h][j] = static_cast<std::uint16_t>(16 * h + j / 2 + (j % 2 ? 32 : 0));
        }
    }
    return t;
}

constexpr PairOrder kPairOrder = makePairOrder();

// 5-5-5 pixels of the three output planes; pixels beyond `pixels` are left alone.
void storeRgb555(BYTE* out, Vec blue, Vec green, Vec red, int pixels) {
    const Vec first = rgb555(low(blue), low(green), low(red));
    const Vec second = rgb555(high(blue), high(green), high(red));
    for (int h = 0; h < 2; ++h) {
        const Vec w =
            _mm512_permutex2var_epi16(first, _mm512_load_si512(kPairOrder.half[h]), second);
        _mm512_mask_storeu_epi16(out + 64 * h, static_cast<__mmask32>(firstBits(pixels - 32 * h)),
                                 w);
    }
}

template <bool Fine, bool OddRow, int Bytes>
int convertPairs(const RowJob& job) {
    const Lut redLut(job.tables->red), greenLut(job.tables->green), blueLut(job.tables->blue);
    Vec sums[3] = {_mm512_setzero_si512(), _mm512_setzero_si512(), _mm512_setzero_si512()};
    for (int p = job.p0; p < job.p1; p += kPairs) {
        const int count = job.p1 - p < kPairs ? job.p1 - p : kPairs;
        const auto m = static_cast<__mmask32>(firstBits(count));
        const auto lv = pairLevels<Ops, Fine, OddRow>(window<OddRow>(job, 2 * p, m));
        const Vec red = redLut(plane(lv.r0, lv.r1));
        const Vec green = greenLut(plane(lv.g0, lv.g1));
        const Vec blue = blueLut(plane(lv.b0, lv.b1));
        if (job.sums != nullptr) {
            const std::uint64_t valid = firstBits(2 * count);
            const Vec channels[3] = {red, green, blue};
            for (int c = 0; c < 3; ++c) {
                const Vec bytes = _mm512_maskz_mov_epi8(valid, channels[c]);
                sums[c] = _mm512_add_epi64(sums[c], _mm512_sad_epu8(bytes, _mm512_setzero_si512()));
            }
        }
        if constexpr (Bytes == 3) {
            storeBgr24(job.out + 6 * p, blue, green, red, 6 * count);
        } else {
            storeRgb555(job.out + 4 * p, blue, green, red, 2 * count);
        }
    }
    if (job.sums != nullptr) {
        for (int c = 0; c < 3; ++c) {
            alignas(64) std::int64_t lanes[8];
            _mm512_store_si512(lanes, sums[c]);
            for (const std::int64_t v : lanes) job.sums[c] += v;
        }
    }
    return job.p1 - job.p0;
}

}  // namespace

RowKernel rowKernelAvx512(bool fine, bool oddRow, int bytes) {
    if (fine) return oddRow ? convertPairs<true, true, 3> : convertPairs<true, false, 3>;
    if (bytes == 2) return oddRow ? convertPairs<false, true, 2> : convertPairs<false, false, 2>;
    return oddRow ? convertPairs<false, true, 3> : convertPairs<false, false, 3>;
}

}  // namespace zenthue
