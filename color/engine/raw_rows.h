// The vector row kernels of the raw-to-color conversions and what they share with the scalar
// code: per-call byte tables and the description of one row's interior pairs.
#pragma once

#include <cstdint>

#include "platform.h"

namespace zenthue {

// The low bytes of the channel-table entries 0..255, rebuilt per call: every 8-bit level's
// output byte (24-bit pixels keep the low byte; 5-5-5 pixels use bits 3..7 of it).
struct alignas(64) ByteTables {
    BYTE red[256];
    BYTE green[256];
    BYTE blue[256];
};

// Pairs p0 .. p1 - 1 of one row, none of them the first or last pair: pair p covers columns 2p
// and 2p + 1 of the source rows and pixels 2p, 2p + 1 of out. With sums non-null, the output
// bytes of red, green and blue are added to sums[0..2] (exact table sums when every entry is a
// byte).
struct RowJob {
    const BYTE* up;
    const BYTE* cur;
    const BYTE* down;
    BYTE* out;
    int p0, p1;
    const ByteTables* tables;
    std::int64_t* sums;
};

// A row kernel converts the first pairs of a job and returns how many it did; the caller
// converts the rest.
using RowKernel = int (*)(const RowJob&);

// Kernels by conversion (fine or plain), row kind (odd rows are G B G B ...) and output bytes
// per pixel (3, or 2 for the plain conversion's 5-5-5 output). Only on x86-64 builds.
RowKernel rowKernelAvx512(bool fine, bool oddRow, int bytes);
RowKernel rowKernelAvx2(bool fine, bool oddRow, int bytes);

}  // namespace zenthue
