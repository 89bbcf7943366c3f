// FineEnlargeImg: enlarges a 24-bit picture by 10/8 on both axes. Every run of 8 samples (along a
// row, then down a column) goes through a cosine transform and is evaluated at 10 positions.
#include <cmath>

#include "filter_common.h"

namespace zenthue {
namespace {

constexpr int kIn = 8;    // samples per input block
constexpr int kOut = 10;  // samples per output block
// Tallest source whose columns fit the column working buffer.
constexpr int kMaxSourceRows = 1000;
constexpr double kPi = 3.141592653589793;

// Cosine tables of the 8-to-10 transform, computed once per call.
struct CosineTables {
    double scale;                // sqrt(2 / kIn), 0.5
    double dct[kIn][kIn];        // (u, n) = cos(((2n + 1) * (pi / N * 0.5)) * u)
    double resample[kOut][kIn];  // (k, u) = cos((u * (pi / M * 0.5)) * (2k + 1))

    CosineTables() : scale(std::sqrt(2.0 / kIn)) {
        for (int u = 0; u < kIn; ++u) {
            for (int n = 0; n < kIn; ++n)
                dct[u][n] = std::cos(((2 * n + 1) * (kPi / kIn * 0.5)) * u);
        }
        for (int k = 0; k < kOut; ++k) {
            for (int u = 0; u < kIn; ++u) {
                resample[k][u] = std::cos((u * (kPi / kOut * 0.5)) * (2 * k + 1));
            }
        }
    }

    // Reads 8 bytes at inStride, writes 10 bytes at outStride. Results are truncated toward
    // zero, then clamped to 0..255 (a step edge rings past both ends).
    void resampleRun(const BYTE* in, int inStride, BYTE* out, int outStride) const {
        double sample[kIn];
        for (int n = 0; n < kIn; ++n) sample[n] = in[n * inStride];
        double coefficient[kIn];
        for (int u = 0; u < kIn; ++u) {
            double sum = 0.0;
            for (int n = 0; n < kIn; ++n) sum += dct[u][n] * sample[n];
            coefficient[u] = scale * sum;
        }
        coefficient[0] = coefficient[0] / (kIn * scale);  // the plain mean of the block
        for (int k = 0; k < kOut; ++k) {
            double sum = 0.0;
            for (int u = 1; u < kIn; ++u) sum += resample[k][u] * coefficient[u];
            const int value = static_cast<int>(coefficient[0] + scale * sum);
            out[k * outStride] = static_cast<BYTE>(clampByte(value));
        }
    }
};

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

    const CosineTables tables;

    // Horizontal pass: source row y widened into destination row y, channel by channel.
    for (int y = 0; y < srcHeight; ++y) {
        const BYTE* src = srcRows[y];
        BYTE* dst = dstRows[y];
        for (int b = 0; b < blocksX; ++b) {
            for (int ch = 0; ch < kPixelBytes; ++ch) {
                tables.resampleRun(src + b * kIn * kPixelBytes + ch, kPixelBytes,
                                   dst + b * kOut * kPixelBytes + ch, kPixelBytes);
            }
        }
    }

    // Vertical pass, in place. Block j reads rows 8j .. 8j + 7 and writes rows 10j .. 10j + 9;
    // working from the bottom block up, no block reads a row that a later-treated block has
    // written, and within a block each byte column is read whole before it is written.
    const int columns = dstWidth * kPixelBytes;
    for (int j = blocksY - 1; j >= 0; --j) {
        BYTE* in[kIn];
        BYTE* out[kOut];
        for (int n = 0; n < kIn; ++n) in[n] = dstRows[j * kIn + n];
        for (int k = 0; k < kOut; ++k) out[k] = dstRows[j * kOut + k];
        for (int c = 0; c < columns; ++c) {
            BYTE run[kIn];
            BYTE result[kOut];
            for (int n = 0; n < kIn; ++n) run[n] = in[n][c];
            tables.resampleRun(run, 1, result, 1);
            for (int k = 0; k < kOut; ++k) out[k][c] = result[k];
        }
    }
    return 1;
}
