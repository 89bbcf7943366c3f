// Vector medians of square windows over padded row strips, for every level above the baseline.
#pragma once

#include "platform.h"

namespace zenthue {

// Writes out[j] = the median of rows[r][j + 3c] over r, c in 0..n-1, for j in 0..bytes-1: the
// per-channel n x n median of 24-bit pixels whose windows start at rows[r]. Each row must be
// readable 64 bytes beyond its last window byte.
using MedianRowKernel = void (*)(const BYTE* const* rows, BYTE* out, int bytes);

// Kernels for n = 3 or 5. Only on x86-64 builds.
MedianRowKernel medianKernelAvx512(int n);
MedianRowKernel medianKernelAvx2(int n);

// The kernel of the active level for n, or null at the baseline.
MedianRowKernel activeMedianKernel(int n);

// Per-channel n x n medians of pixels 0 .. pixels - 1 of one output row through a kernel:
// window[r] is the source row of window row r (width pixels). Window pixels left of the row are
// zero, right of it repeat its last pixel.
void medianRow(MedianRowKernel kernel, int n, const BYTE* const* window, BYTE* out, int pixels,
               int width);

}  // namespace zenthue
