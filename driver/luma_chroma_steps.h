// The steps of the stored-picture clean-up filter, written once in plain C++ and compiled by
// row_kernels_*.cpp at each instruction-set level (the compiler's vector code for that level).
// Everything here has internal linkage, so no copy built for a wider level can stand in for
// another; nothing from the standard library is instantiated here for the same reason.
//
// Planes hold 16-bit samples: luminance stays within 0 .. 255 up to the sharpening, within
// -260 .. 515 after it, the color differences within -255 .. 255 (their five-row column sums
// within -1275 .. 1275); every intermediate is worked in int.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

#include "luma_chroma_filter.h"

namespace zentdrv {

namespace {

using Sample = FilterSample;

// Columns a block of the two in-place steps covers: a whole number of vectors at every level.
constexpr int kBlock = 64;

inline int absInt(int v) {
    return v < 0 ? -v : v;
}

// 1 when a and b differ by less than 5 (an int, so that the tests combine without jumps).
inline int near5(int a, int b) {
    return absInt(a - b) < 5 ? 1 : 0;
}

inline uint8_t clampByte(int v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void forwardRow(const uint8_t* __restrict px, Sample* __restrict y, Sample* __restrict cb,
                Sample* __restrict cr, int width) {
    for (int c = 0; c < width; ++c) {
        const int b = px[3 * c];
        const int g = px[3 * c + 1];
        const int r = px[3 * c + 2];
        const int l = (153 * r + 301 * g + 58 * b) >> 9;
        y[c] = static_cast<Sample>(l);
        cb[c] = static_cast<Sample>(b - l);
        cr[c] = static_cast<Sample>(r - l);
    }
}

void inverseRow(const Sample* __restrict y, const Sample* __restrict cb,
                const Sample* __restrict cr, uint8_t* __restrict px, int width) {
    for (int c = 0; c < width; ++c) {
        const int l = y[c];
        const int b = cb[c];
        const int r = cr[c];
        px[3 * c] = clampByte(l + b);
        px[3 * c + 1] = clampByte((512 * l - 261 * r - 99 * b) >> 9);
        px[3 * c + 2] = clampByte(l + r);
    }
}

// A position of the luminance plane and its four neighbours.
struct Cross {
    int v, left, right, above, below;
};

inline Cross crossAt(const Sample* q, int w) {
    return {q[0], q[-1], q[1], q[-w], q[w]};
}

// 1 when the position lies above all four neighbours by more than 10 (below all, for
// belowAll).
inline int aboveAll(const Cross& x) {
    return (x.v - x.left > 10) & (x.v - x.right > 10) & (x.v - x.above > 10) & (x.v - x.below > 10);
}

inline int belowAll(const Cross& x) {
    return (x.left - x.v > 10) & (x.right - x.v > 10) & (x.above - x.v > 10) & (x.below - x.v > 10);
}

inline int neighbourMean(const Cross& x) {
    return (x.above + x.below + x.right + x.left) / 4;
}

// ---- Line smoothing ----------------------------------------------------------------------------

// One position of the line smoothing, as the filter defines it: each visit sees the changes of
// the earlier ones. Written without jumps: a position that keeps its value is stored unchanged.
// True when the visit may have changed its own row (a spike taken down, a horizontal line
// smoothed), which the visit two columns on reads.
inline bool smoothAt(Sample* q, int w) {
    const Cross x = crossAt(q, w);
    const int above2 = q[-2 * w];
    const int below2 = q[2 * w];
    const int left2 = q[-2];
    const int right2 = q[2];
    const int spike = aboveAll(x);
    const int v = spike ? neighbourMean(x) + 5 : x.v;
    const int vertical = near5(x.above, x.below);
    const bool setVertical = vertical & near5(above2, below2) & near5(v, below2);
    const bool setHorizontal =
        (1 - vertical) & near5(x.left, x.right) & near5(left2, right2) & near5(v, right2);
    q[0] = static_cast<Sample>(v);
    q[-w] = static_cast<Sample>(setVertical ? (above2 + v) >> 1 : x.above);
    q[w] = static_cast<Sample>(setVertical ? (below2 + v) >> 1 : x.below);
    q[-1] = static_cast<Sample>(setHorizontal ? (v + left2) >> 1 : x.left);
    q[1] = static_cast<Sample>(setHorizontal ? (right2 + v) >> 1 : x.right);
    return spike | setHorizontal;
}

// The first nonzero byte of flags[from .. kBlock - 1], or kBlock; eight bytes a step.
inline int nextFlag(const uint8_t* flags, int from) {
    // Byte 0 of a word is its lowest on a little-endian processor, its highest otherwise.
    constexpr bool little = std::endian::native == std::endian::little;
    for (int k = from & ~7; k < kBlock; k += 8) {
        uint64_t word;
        std::memcpy(&word, flags + k, 8);
        const int skip = 8 * (from > k ? from - k : 0);
        word &= little ? ~uint64_t{0} << skip : ~uint64_t{0} >> skip;
        if (word != 0) return k + (little ? __builtin_ctzll(word) : __builtin_clzll(word)) / 8;
    }
    return kBlock;
}

// What the visits of a block at columns j0 .. j0 + kBlock - 1 of a row would do were none of them
// to see another's changes: `touches` marks the visits that change their own row, up / dn get
// the new values of the rows above and below.
void smoothSpeculate(const Sample* __restrict row, const Sample* __restrict up,
                     const Sample* __restrict dn, const Sample* __restrict up2,
                     const Sample* __restrict dn2, int visitParity, uint8_t* __restrict touches,
                     Sample* __restrict newUp, Sample* __restrict newDn) {
    for (int j = 0; j < kBlock; ++j) {
        const Cross x{row[j], row[j - 1], row[j + 1], up[j], dn[j]};
        const int above2 = up2[j];
        const int below2 = dn2[j];
        const int visit = (j & 1) == visitParity;
        const int vertical = near5(x.above, x.below);
        const int horizontal = (1 - vertical) & near5(x.left, x.right) &
                               near5(row[j - 2], row[j + 2]) & near5(x.v, row[j + 2]);
        const int set = visit & vertical & near5(above2, below2) & near5(x.v, below2);
        touches[j] = static_cast<uint8_t>(visit & (aboveAll(x) | horizontal));
        // Selections by mask: the compiler keeps them in vector code at every level.
        newUp[j] = static_cast<Sample>(x.above + ((((above2 + x.v) >> 1) - x.above) & -set));
        newDn[j] = static_cast<Sample>(x.below + ((((below2 + x.v) >> 1) - x.below) & -set));
    }
}

// One block of visits. A visit sees another's changes only through its own row, and only those
// of the visit two columns before it: so every visit up to the first that changes its row reads
// what the speculation read, and from that one on the visits are made one by one until one
// leaves its row alone; after it the speculation holds again. A visit made one by one leaves its
// final values above and below in the speculated ones too, which then go to the rows above and
// below from column `from` on (the columns before it belong to the block before).
void smoothBlock(Sample* at, int w, int visitParity, int from) {
    uint8_t touches[kBlock];
    Sample newUp[kBlock];
    Sample newDn[kBlock];
    smoothSpeculate(at, at - w, at + w, at - 2 * w, at + 2 * w, visitParity, touches, newUp, newDn);
    for (int j = nextFlag(touches, from); j < kBlock; j = nextFlag(touches, j)) {
        while (j < kBlock) {
            const bool touched = smoothAt(at + j, w);
            newUp[j] = at[j - w];
            newDn[j] = at[j + w];
            j += 2;
            if (!touched) break;
        }
    }
    const std::size_t bytes = sizeof(Sample) * static_cast<std::size_t>(kBlock - from);
    std::memcpy(at - w + from, newUp + from, bytes);
    std::memcpy(at + w + from, newDn + from, bytes);
}

// Walks the inner columns 2 .. w - 3 of a row a block at a time: block(j0, from) takes the
// columns from j0 + from to j0 + kBlock - 1 (from is 0 but for the row's last block, which ends
// at w - 3 and begins inside the one before). A row narrower than a block goes to narrow(2).
template <class Block, class Narrow>
void forRowBlocks(int w, Block block, Narrow narrow) {
    int c = 2;
    for (; c + kBlock <= w - 2; c += kBlock) block(c, 0);
    const int last = w - 2 - kBlock;
    if (c > w - 3) return;
    if (last >= 2) {
        block(last, c - last);
    } else {
        narrow(c);
    }
}

// Visits the positions where r + c is odd, in order, each seeing the changes of earlier ones.
void smoothLines(const FilterPlanes& p) {
    const int w = p.width;
    for (int r = 2; r <= p.height - 3; ++r) {
        Sample* row = p.y + r * w;
        // Visits sit where j0 + j has the parity of r + 1.
        forRowBlocks(
            w, [&](int j0, int from) { smoothBlock(row + j0, w, (r + j0 + 1) & 1, from); },
            [&](int c) {
                for (c += (r + c + 1) & 1; c <= w - 3; c += 2) smoothAt(row + c, w);
            });
    }
}

// ---- Sharpening --------------------------------------------------------------------------------

void sharpenRow(const Sample* __restrict a, const Sample* __restrict m, const Sample* __restrict b,
                Sample* __restrict out, int width) {
    for (int c = 1; c <= width - 2; ++c) {
        const int s =
            a[c - 1] + a[c] + a[c + 1] + m[c - 1] + m[c] + m[c + 1] + b[c - 1] + b[c] + b[c + 1];
        out[c] = static_cast<Sample>((17 * m[c] - s) >> 3);
    }
}

void takeSharpened(Sample* __restrict row, const Sample* __restrict sharp, int width) {
    for (int c = 1; c <= width - 2; ++c) {
        const int v = row[c];
        const int s = sharp[c];
        row[c] = static_cast<Sample>(absInt(v - s) > 8 ? s : v);
    }
}

// Two passes: every new value comes from the plane as it stood before the step.
void sharpen(const FilterPlanes& p) {
    const int w = p.width;
    for (int r = 1; r <= p.height - 2; ++r) {
        const Sample* m = p.y + r * w;
        sharpenRow(m - w, m, m + w, p.scratch + r * w, w);
    }
    for (int r = 1; r <= p.height - 2; ++r) takeSharpened(p.y + r * w, p.scratch + r * w, w);
}

// ---- Spike removal -----------------------------------------------------------------------------

// In place: each test sees the values already changed to its left and above. "Above all four
// neighbours by more than 10" is "above the largest by more than 10", and "below all" is
// "below the smallest" (cheaper here than aboveAll and belowAll, measured); a position above all
// four cannot lie below all of them, so at most one of the two tests fires. True when the value
// changed.
inline bool despikeAt(Sample* q, int w) {
    const Cross x = crossAt(q, w);
    const int hi = x.left > x.right ? x.left : x.right;
    const int hi2 = x.above > x.below ? x.above : x.below;
    const int lo = x.left < x.right ? x.left : x.right;
    const int lo2 = x.above < x.below ? x.above : x.below;
    const int mean = neighbourMean(x);
    const bool bright = x.v - (hi > hi2 ? hi : hi2) > 10;
    const bool dark = x.v - (lo < lo2 ? lo : lo2) < -10;
    q[0] = static_cast<Sample>(bright ? mean + 5 : (dark ? mean - 5 : x.v));
    return bright | dark;
}

// Marks the spikes of the block at columns j0 .. j0 + kBlock - 1 as the plane stands.
void findSpikes(const Sample* __restrict row, const Sample* __restrict up,
                const Sample* __restrict dn, uint8_t* __restrict spikes) {
    for (int j = 0; j < kBlock; ++j) {
        const Cross x{row[j], row[j - 1], row[j + 1], up[j], dn[j]};
        spikes[j] = static_cast<uint8_t>(aboveAll(x) | belowAll(x));
    }
}

// Columns from .. kBlock - 1 of the block at `at`. A position sees another's change only
// through its left neighbour: up to the first spike found nothing changes; from it on the
// positions are taken one by one until one stays as it was, after which the marks hold again.
void despikeBlock(Sample* at, int w, int from) {
    uint8_t spikes[kBlock];
    findSpikes(at, at - w, at + w, spikes);
    for (int j = nextFlag(spikes, from); j < kBlock; j = nextFlag(spikes, j)) {
        while (j < kBlock && despikeAt(at + j++, w)) {
        }
    }
}

void removeSpikes(const FilterPlanes& p) {
    const int w = p.width;
    for (int r = 2; r <= p.height - 3; ++r) {
        Sample* row = p.y + r * w;
        forRowBlocks(
            w, [&](int j0, int from) { despikeBlock(row + j0, w, from); },
            [&](int c) {
                for (; c <= w - 3; ++c) despikeAt(row + c, w);
            });
    }
}

// ---- Chroma mean -------------------------------------------------------------------------------

void addRows(Sample* __restrict sum, const Sample* __restrict a, const Sample* __restrict b,
             const Sample* __restrict c, const Sample* __restrict d, const Sample* __restrict e,
             int width) {
    for (int k = 0; k < width; ++k) sum[k] = static_cast<Sample>(a[k] + b[k] + c[k] + d[k] + e[k]);
}

void slideRows(Sample* __restrict sum, const Sample* __restrict come, const Sample* __restrict gone,
               int width) {
    for (int k = 0; k < width; ++k) sum[k] = static_cast<Sample>(sum[k] + come[k] - gone[k]);
}

void meanRow(const Sample* __restrict sum, Sample* __restrict out, int width) {
    for (int c = 2; c <= width - 3; ++c) {
        const int window = sum[c - 2] + sum[c - 1] + sum[c] + sum[c + 1] + sum[c + 2];
        out[c] = static_cast<Sample>(window / 25);
    }
}

// 5 x 5 mean of the inner positions. Column sums of five rows slide down the picture (row 0 of
// the scratch; no position of rows 0 and 1 is filtered); the means go to the scratch and are
// written back once all are known.
void meanChroma(Sample* ch, const FilterPlanes& p) {
    const int w = p.width;
    const int h = p.height;
    if (w < 5 || h < 5) return;
    Sample* colSum = p.scratch;
    addRows(colSum, ch, ch + w, ch + 2 * w, ch + 3 * w, ch + 4 * w, w);
    for (int r = 2; r <= h - 3; ++r) {
        if (r > 2) slideRows(colSum, ch + (r + 2) * w, ch + (r - 3) * w, w);
        meanRow(colSum, p.scratch + r * w, w);
    }
    for (int r = 2; r <= h - 3; ++r) {
        std::memcpy(ch + r * w + 2, p.scratch + r * w + 2, sizeof(Sample) * (w - 4));
    }
}

// ---- The whole filter on planes ----------------------------------------------------------------

void filterPlanes(uint8_t* row0, long stride, const FilterPlanes& p, int options) {
    const int w = p.width;
    for (int r = 0; r < p.height; ++r)
        forwardRow(row0 + stride * r, p.y + r * w, p.cb + r * w, p.cr + r * w, w);
    smoothLines(p);
    if (options != 0) sharpen(p);
    if ((options & 3) == 3) removeSpikes(p);
    meanChroma(p.cb, p);
    meanChroma(p.cr, p);
    for (int r = 0; r < p.height; ++r)
        inverseRow(p.y + r * w, p.cb + r * w, p.cr + r * w, row0 + stride * r, w);
}

}  // namespace

}  // namespace zentdrv
