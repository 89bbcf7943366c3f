// The vector sharpening kernel, written once over an operations type V (register type Vec,
// width kBytes, and byte and word operations) and included by each level's source.
#pragma once

#include "platform.h"

namespace zenthue {

// 1 in the bytes of a register at row byte offsets j0 .. j0 + kBytes - 1 that hold green
// (j % 3 == 1), else 0.
template <class V>
typename V::Vec greenLanes(int j0) {
    alignas(64) BYTE lanes[V::kBytes];
    for (int k = 0; k < V::kBytes; ++k) lanes[k] = (j0 + k) % 3 == 1 ? 1 : 0;
    return V::loadu(lanes);
}

// 1 where at least three of the eight neighbours (3 bytes apart in the row, same byte above and
// below) differ from the centre byte by 20 or more, else 0; for the bytes at row offset j on.
template <class V>
typename V::Vec edges(const BYTE* above, const BYTE* row, const BYTE* below, int j) {
    using Vec = typename V::Vec;
    const Vec c = V::loadu(row + j);
    const BYTE* at[8] = {above + j - 3, above + j,     above + j + 3, row + j - 3,
                         row + j + 3,   below + j - 3, below + j,     below + j + 3};
    Vec count = V::zero();
    for (const BYTE* p : at) {
        const Vec v = V::loadu(p);
        const Vec diff = V::orBytes(V::subsU8(v, c), V::subsU8(c, v));
        count = V::addU8(count, V::minU8(V::subsU8(diff, V::set1(19)), V::set1(1)));
    }
    return V::minU8(V::subsU8(count, V::set1(2)), V::set1(1));
}

// Sharpened bytes: c + (c - mean of the 8 neighbours), as ((16c - sum) * 2) / 16 truncated
// toward zero and saturated, computed in 16-bit lanes.
template <class V>
typename V::Vec sharpenedBytes(const BYTE* above, const BYTE* row, const BYTE* below, int j) {
    using Vec = typename V::Vec;
    const BYTE* at[8] = {above + j - 3, above + j,     above + j + 3, row + j - 3,
                         row + j + 3,   below + j - 3, below + j,     below + j + 3};
    const Vec c = V::loadu(row + j);
    Vec low = V::shiftLeft4(V::widenLow(c)), high = V::shiftLeft4(V::widenHigh(c));
    for (const BYTE* p : at) {
        const Vec v = V::loadu(p);
        low = V::subI16(low, V::widenLow(v));
        high = V::subI16(high, V::widenHigh(v));
    }
    return V::packSaturate(V::div8TowardZero(low), V::div8TowardZero(high));
}

// Bytes j0 .. j0 + kBytes - 1 of an output row: sharpened where the byte stands on an edge, or
// is green and both neighbouring bytes (blue and red of the pixel) do; else copied.
template <class V>
void sharpenBytes(const BYTE* above, const BYTE* row, const BYTE* below, BYTE* out, int j0,
                  typename V::Vec green) {
    using Vec = typename V::Vec;
    const Vec both =
        V::andBytes(edges<V>(above, row, below, j0 - 1), edges<V>(above, row, below, j0 + 1));
    const Vec edge = V::orBytes(edges<V>(above, row, below, j0), V::andBytes(both, green));
    const Vec c = V::loadu(row + j0);
    V::storeu(out + j0, V::select(edge, sharpenedBytes<V>(above, row, below, j0), c));
}

// Sharpens row bytes from `first` on in whole registers while every read stays inside the row
// (rowBytes bytes); returns the first byte not written.
template <class V>
int sharpenRow(const BYTE* above, const BYTE* row, const BYTE* below, BYTE* out, int first,
               int rowBytes) {
    // Green lanes repeat every 3 registers' worth of offsets; one per phase of j0 % 3.
    const typename V::Vec green[3] = {greenLanes<V>(0), greenLanes<V>(1), greenLanes<V>(2)};
    int j = first;
    for (; j + V::kBytes + 4 <= rowBytes; j += V::kBytes) {
        sharpenBytes<V>(above, row, below, out, j, green[j % 3]);
    }
    return j;
}

}  // namespace zenthue
