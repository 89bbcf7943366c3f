// Vector sharpening kernels for every level above the baseline.
#pragma once

#include "platform.h"

namespace zenthue {

// Sharpens output row bytes from `first` (at least 4) on, in whole registers while every read
// stays inside the rowBytes bytes of the rows; returns the first byte not written.
using SharpenRowKernel = int (*)(const BYTE* above, const BYTE* row, const BYTE* below, BYTE* out,
                                 int first, int rowBytes);

// Only on x86-64 builds.
SharpenRowKernel sharpenKernelAvx512();
SharpenRowKernel sharpenKernelAvx2();

}  // namespace zenthue
