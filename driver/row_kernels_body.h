// The body of every row_kernels_*.cpp: the driver's per-pixel loops in plain C++, written so
// that the compiler turns them into vector code for the level the file is built for. All of it
// has internal linkage (see luma_chroma_steps.h).
#pragma once

#include <cstdint>

#include "luma_chroma_steps.h"
#include "row_kernels.h"

namespace zentdrv {

namespace {

void unpackRow(const uint8_t* __restrict even, const uint8_t* __restrict odd,
               uint8_t* __restrict out, int half) {
    for (int k = 0; k < half; ++k) {
        out[2 * k] = even[k];
        out[2 * k + 1] = odd[k];
    }
}

// CorrectSample, without jumps.
void correctRow(uint8_t* __restrict frame, const uint8_t* __restrict noise, int count, int offset,
                int ceiling) {
    for (int c = 0; c < count; ++c) {
        const int v = offset - frame[c] + noise[c];
        const int low = v <= 0 ? 0 : v;
        frame[c] = static_cast<uint8_t>(v >= ceiling ? ceiling : low);
    }
}

void complementRow(uint8_t* row, int count) {
    for (int c = 0; c < count; ++c) row[c] = static_cast<uint8_t>(255 - row[c]);
}

constexpr RowKernels kKernels{filterPlanes, unpackRow, correctRow, complementRow};

}  // namespace

}  // namespace zentdrv
