// FineEnlargeImg: enlarges a 24-bit picture by 10/8 on both axes. Every run of 8 samples (along a
// row, then down a column) goes through a cosine transform and is evaluated at 10 positions.
// Runs are gathered into lanes and resampled many at once (fine_enlarge_kernel.h).
#include <cmath>
#include <cstring>

#include "engine/isa.h"
#include "filter_common.h"
#include "fine_enlarge_kernel.h"
#include "fine_enlarge_lanes4.h"

namespace zenthue {
namespace {

constexpr int kIn = kEnlargeIn;
constexpr int kOut = kEnlargeOut;
// Tallest source whose columns fit the column working buffer.
constexpr int kMaxSourceRows = 1000;
constexpr double kPi = 3.141592653589793;

// The cosine tables of the 8-to-10 transform: (u, n) = cos(((2n + 1) * (pi / N * 0.5)) * u),
// (k, u) = cos((u * (pi / M * 0.5)) * (2k + 1)).
void fillTables(EnlargeTables& t) {
    t.scale = std::sqrt(2.0 / kIn);
    for (int u = 0; u < kIn; ++u) {
        for (int n = 0; n < kIn; ++n) t.dct[u][n] = std::cos(((2 * n + 1) * (kPi / kIn * 0.5)) * u);
    }
    for (int k = 0; k < kOut; ++k) {
        for (int u = 0; u < kIn; ++u) {
            t.resample[k][u] = std::cos((u * (kPi / kOut * 0.5)) * (2 * k + 1));
        }
    }
}

EnlargeKernel activeKernel() {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return enlargeKernelAvx512();
        case Isa::avx2:
            return enlargeKernelAvx2();
        case Isa::baseline:
            break;
    }
#endif
    return enlargeLanes<EnlargeLanes4>;
}

// One row's runs: run r is channel r % 3 of block r / 3, its samples 3 bytes apart. They are
// gathered into lanes a part of the row at a time (all stores done before the kernel loads);
// lanes past the last run are resampled from zeros and not written back.
void widenRow(EnlargeKernel kernel, const EnlargeTables& t, const BYTE* src, BYTE* dst,
              int blocks) {
    constexpr int kPartBlocks = 128;
    constexpr int kPartLanes = kPartBlocks * kPixelBytes;
    alignas(64) BYTE in[kIn][kPartLanes];
    alignas(64) BYTE out[kOut][kPartLanes];
    const BYTE* inRows[kIn];
    BYTE* outRows[kOut];
    for (int n = 0; n < kIn; ++n) inRows[n] = in[n];
    for (int k = 0; k < kOut; ++k) outRows[k] = out[k];
    for (int b0 = 0; b0 < blocks; b0 += kPartBlocks) {
        const int count = blocks - b0 < kPartBlocks ? blocks - b0 : kPartBlocks;
        const int runs = count * kPixelBytes;
        const int lanes = (runs + kEnlargeLaneStep - 1) / kEnlargeLaneStep * kEnlargeLaneStep;
        for (int b = 0; b < count; ++b) {
            const BYTE* p = src + (b0 + b) * kIn * kPixelBytes;
            for (int n = 0; n < kIn; ++n) {
                for (int ch = 0; ch < kPixelBytes; ++ch)
                    in[n][b * kPixelBytes + ch] = p[n * kPixelBytes + ch];
            }
        }
        for (int n = 0; n < kIn; ++n) std::memset(in[n] + runs, 0, lanes - runs);
        kernel(t, inRows, outRows, lanes);
        for (int b = 0; b < count; ++b) {
            BYTE* q = dst + (b0 + b) * kOut * kPixelBytes;
            for (int k = 0; k < kOut; ++k) {
                for (int ch = 0; ch < kPixelBytes; ++ch)
                    q[k * kPixelBytes + ch] = out[k][b * kPixelBytes + ch];
            }
        }
    }
}

// Block j of the vertical pass, in place: byte column c of rows 8j .. 8j + 7 into rows
// 10j .. 10j + 9, straight in the rows but for the last columns short of a whole lane step.
void heightenBlock(EnlargeKernel kernel, const EnlargeTables& t, BYTE** rows, int j, int columns) {
    const BYTE* inRows[kIn];
    BYTE* outRows[kOut];
    for (int n = 0; n < kIn; ++n) inRows[n] = rows[j * kIn + n];
    for (int k = 0; k < kOut; ++k) outRows[k] = rows[j * kOut + k];
    const int whole = columns / kEnlargeLaneStep * kEnlargeLaneStep;
    if (whole > 0) kernel(t, inRows, outRows, whole);
    const int rest = columns - whole;
    if (rest == 0) return;
    BYTE in[kIn][kEnlargeLaneStep] = {};
    BYTE out[kOut][kEnlargeLaneStep];
    for (int n = 0; n < kIn; ++n) {
        std::memcpy(in[n], inRows[n] + whole, rest);
        inRows[n] = in[n];
    }
    for (int k = 0; k < kOut; ++k) outRows[k] = out[k];
    kernel(t, inRows, outRows, kEnlargeLaneStep);
    for (int k = 0; k < kOut; ++k) std::memcpy(rows[j * kOut + k] + whole, out[k], rest);
}

}  // namespace

}  // namespace zenthue

extern "C" int FineEnlargeImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight,
                              int dstWidth, int dstHeight) {
    using namespace zenthue;
    if (!sidesWithin(srcWidth, srcHeight, 1, 1) || !sidesWithin(dstWidth, dstHeight, 1, 1)) {
        return 0;
    }
    const int blocksX = dstWidth / kOut;
    const int blocksY = dstHeight / kOut;
    // The widened source rows land in destination rows 0 .. srcHeight - 1 and the columns are
    // worked on whole, so the source must fit both the destination and the column buffer; the
    // blocks must not read past the source's last pixel or its last row.
    if (srcHeight > kMaxSourceRows || srcHeight > dstHeight) return 0;
    if (blocksX * kIn > srcWidth || blocksY * kIn > srcHeight) return 0;
    if (!rowsPresent(srcRows, srcHeight) || !rowsPresent(dstRows, dstHeight)) return 0;

    EnlargeTables tables;
    fillTables(tables);
    const EnlargeKernel kernel = activeKernel();

    // Horizontal pass: source row y widened into destination row y.
    for (int y = 0; y < srcHeight; ++y) widenRow(kernel, tables, srcRows[y], dstRows[y], blocksX);

    // Vertical pass, in place. Block j reads rows 8j .. 8j + 7 and writes rows 10j .. 10j + 9;
    // working from the bottom block up, no block reads a row that a later-treated block has
    // written.
    const int columns = dstWidth * kPixelBytes;
    for (int j = blocksY - 1; j >= 0; --j) heightenBlock(kernel, tables, dstRows, j, columns);
    return 1;
}
