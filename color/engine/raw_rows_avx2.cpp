// Row kernels of the raw-to-color conversions for AVX2: 16 pairs a register in 16-bit lanes,
// table lookups by 16 byte shuffles. Whole registers only; the caller converts the last pairs.
// Compiled for that level only; everything here but the selector is local to the file.
#include <immintrin.h>

#include <cstdint>

#include "engine/raw_rows.h"
#include "engine/raw_rules.h"

namespace zenthue {

namespace {

// __m256i carries an attribute a template argument would drop; this type has none.
using Vec = long long __attribute__((vector_size(32)));

struct Ops {
    static Vec absDiff(Vec a, Vec b) { return _mm256_abs_epi16(_mm256_sub_epi16(a, b)); }
    static Vec mean2(Vec a, Vec b) { return _mm256_srli_epi16(_mm256_add_epi16(a, b), 1); }
    static Vec mean4(Vec a, Vec b, Vec c, Vec d) {
        return _mm256_srli_epi16(_mm256_add_epi16(_mm256_add_epi16(a, b), _mm256_add_epi16(c, d)),
                                 2);
    }
    static Vec clearlyLess(Vec a, Vec b) {
        return _mm256_cmpgt_epi16(b, _mm256_add_epi16(a, _mm256_set1_epi16(8)));
    }
    static Vec select(Vec c, Vec then, Vec otherwise) {
        return _mm256_blendv_epi8(otherwise, then, c);
    }
};

constexpr int kPairs = 16;  // pairs a register

// A 256-entry byte lookup: the row of 16 entries whose high nibble matches each index is
// shuffled in; an index of another row is pushed to 0x80 or above, which shuffles in zero.
Vec lookup(Vec index, const BYTE* table) {
    Vec result = _mm256_setzero_si256();
    for (int j = 0; j < 16; ++j) {
        const Vec row = _mm256_broadcastsi128_si256(
            _mm_load_si128(reinterpret_cast<const __m128i*>(table) + j));
        const Vec inRow = _mm256_adds_epu8(_mm256_xor_si256(index, _mm256_set1_epi8(char(16 * j))),
                                           _mm256_set1_epi8(0x70));
        result = _mm256_or_si256(result, _mm256_shuffle_epi8(row, inRow));
    }
    return result;
}

// Shuffles that place one plane's bytes of 16 pixels into the three 16-byte thirds of their
// 24-bit pixels (0x80: not from this plane).
struct Interleave {
    alignas(32) BYTE third[3][3][32];  // [third][plane: blue, green, red], both lanes alike
};

constexpr Interleave makeInterleave() {
    Interleave t{};
    for (int m = 0; m < 3; ++m) {
        for (int j = 0; j < 32; ++j) {
            const int o = 16 * m + j % 16, pixel = o / 3, channel = o % 3;
            for (int plane = 0; plane < 3; ++plane) {
                t.third[m][plane][j] = static_cast<BYTE>(channel == plane ? pixel : 0x80);
            }
        }
    }
    return t;
}

constexpr Interleave kInterleave = makeInterleave();

Vec shuffleIn(Vec blue, Vec green, Vec red, int m) {
    const auto* s = reinterpret_cast<const __m256i*>(kInterleave.third[m]);
    const Vec bg = _mm256_or_si256(_mm256_shuffle_epi8(blue, _mm256_load_si256(s)),
                                   _mm256_shuffle_epi8(green, _mm256_load_si256(s + 1)));
    return _mm256_or_si256(bg, _mm256_shuffle_epi8(red, _mm256_load_si256(s + 2)));
}

// 96 bytes of 24-bit pixels from planes of 32 pixels (lane 0: pixels 0..15, lane 1: 16..31).
void storeBgr24(BYTE* out, Vec blue, Vec green, Vec red) {
    const Vec t0 = shuffleIn(blue, green, red, 0);  // bytes 0..15 | 48..63
    const Vec t1 = shuffleIn(blue, green, red, 1);  // bytes 16..31 | 64..79
    const Vec t2 = shuffleIn(blue, green, red, 2);  // bytes 32..47 | 80..95
    auto* o = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(o, _mm256_permute2x128_si256(t0, t1, 0x20));
    _mm256_storeu_si256(o + 1, _mm256_permute2x128_si256(t2, t0, 0x30));
    _mm256_storeu_si256(o + 2, _mm256_permute2x128_si256(t1, t2, 0x31));
}

// 5-5-5 words of 16 pixels, from bytes of the three planes.
Vec rgb555(__m128i blue, __m128i green, __m128i red) {
    const Vec r = _mm256_slli_epi16(_mm256_cvtepu8_epi16(red), 7);
    const Vec g = _mm256_slli_epi16(_mm256_cvtepu8_epi16(green), 2);
    const Vec b = _mm256_srli_epi16(_mm256_cvtepu8_epi16(blue), 3);
    const Vec rg = _mm256_or_si256(_mm256_and_si256(r, _mm256_set1_epi16(0x7C00)),
                                   _mm256_and_si256(g, _mm256_set1_epi16(0x03E0)));
    return _mm256_or_si256(rg, b);
}

void storeRgb555(BYTE* out, Vec blue, Vec green, Vec red) {
    auto* o = reinterpret_cast<__m256i*>(out);
    _mm256_storeu_si256(o, rgb555(_mm256_castsi256_si128(blue), _mm256_castsi256_si128(green),
                                  _mm256_castsi256_si128(red)));
    _mm256_storeu_si256(
        o + 1, rgb555(_mm256_extracti128_si256(blue, 1), _mm256_extracti128_si256(green, 1),
                      _mm256_extracti128_si256(red, 1)));
}

Vec low(Vec v) {
    return _mm256_and_si256(v, _mm256_set1_epi16(0xFF));
}
Vec high(Vec v) {
    return _mm256_srli_epi16(v, 8);
}
Vec load(const BYTE* row, int offset) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(row + offset));
}

template <bool OddRow>
PairWindow<Vec> window(const RowJob& job, int x) {
    PairWindow<Vec> w{};
    const Vec c = load(job.cur, x), u = load(job.up, x), d = load(job.down, x);
    w.left = low(load(job.cur, x - 1));
    w.c0 = low(c);
    w.c1 = high(c);
    w.right2 = low(load(job.cur, x + 2));
    w.u0 = low(u);
    w.u1 = high(u);
    w.d0 = low(d);
    w.d1 = high(d);
    if constexpr (OddRow) {
        w.u2 = low(load(job.up, x + 2));
        w.d2 = low(load(job.down, x + 2));
    } else {
        w.ul = low(load(job.up, x - 1));
        w.dl = low(load(job.down, x - 1));
    }
    return w;
}

Vec plane(Vec first, Vec second) {
    return _mm256_or_si256(first, _mm256_slli_epi16(second, 8));
}

std::int64_t laneSum(Vec v) {
    const __m128i s = _mm_add_epi64(_mm256_castsi256_si128(v), _mm256_extracti128_si256(v, 1));
    return _mm_cvtsi128_si64(s) + _mm_extract_epi64(s, 1);
}

template <bool Fine, bool OddRow, int Bytes>
int convertPairs(const RowJob& job) {
    const int whole = (job.p1 - job.p0) / kPairs * kPairs;
    Vec sums[3] = {_mm256_setzero_si256(), _mm256_setzero_si256(), _mm256_setzero_si256()};
    for (int p = job.p0; p < job.p0 + whole; p += kPairs) {
        const auto lv = pairLevels<Ops, Fine, OddRow>(window<OddRow>(job, 2 * p));
        const Vec red = lookup(plane(lv.r0, lv.r1), job.tables->red);
        const Vec green = lookup(plane(lv.g0, lv.g1), job.tables->green);
        const Vec blue = lookup(plane(lv.b0, lv.b1), job.tables->blue);
        if (job.sums != nullptr) {
            const Vec zero = _mm256_setzero_si256();
            sums[0] = _mm256_add_epi64(sums[0], _mm256_sad_epu8(red, zero));
            sums[1] = _mm256_add_epi64(sums[1], _mm256_sad_epu8(green, zero));
            sums[2] = _mm256_add_epi64(sums[2], _mm256_sad_epu8(blue, zero));
        }
        if constexpr (Bytes == 3) {
            storeBgr24(job.out + 6 * p, blue, green, red);
        } else {
            storeRgb555(job.out + 4 * p, blue, green, red);
        }
    }
    if (job.sums != nullptr) {
        for (int c = 0; c < 3; ++c) job.sums[c] += laneSum(sums[c]);
    }
    return whole;
}

}  // namespace

RowKernel rowKernelAvx2(bool fine, bool oddRow, int bytes) {
    if (fine) return oddRow ? convertPairs<true, true, 3> : convertPairs<true, false, 3>;
    if (bytes == 2) return oddRow ? convertPairs<false, true, 2> : convertPairs<false, false, 2>;
    return oddRow ? convertPairs<false, true, 3> : convertPairs<false, false, 3>;
}

}  // namespace zenthue
