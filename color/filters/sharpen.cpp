// SharpenImg: edge-adaptive 3 x 3 sharpening. A channel of a pixel is sharpened only where that
// pixel stands on an edge in that channel, so flat areas and their noise are copied unchanged.
#include <cstring>

#include "engine/isa.h"
#include "filter_common.h"
#include "sharpen_rows.h"

namespace zenthue {
namespace {

// A neighbour at least this far from the centre value counts towards an edge.
constexpr int kEdgeStep = 20;
// Neighbours that must count for a channel to stand on an edge.
constexpr int kEdgeCount = 3;

// Edge count and neighbour sum of one channel of the 3 x 3 window around a pixel.
struct WindowStats {
    int count;
    int sum;
};

inline WindowStats windowStats(const BYTE* above, const BYTE* row, const BYTE* below, int at) {
    constexpr int left = -kPixelBytes;
    constexpr int right = kPixelBytes;
    const int c = row[at];
    const int n[8] = {above[at + left], above[at],        above[at + right], row[at + left],
                      row[at + right],  below[at + left], below[at],         below[at + right]};
    WindowStats s{0, 0};
    for (int v : n) {
        s.sum += v;
        const int d = v - c;
        s.count += (d >= kEdgeStep || d <= -kEdgeStep) ? 1 : 0;
    }
    return s;
}

// c plus the difference between c and the mean of its eight neighbours, saturated.
inline BYTE sharpened(int c, int neighbourSum) {
    return static_cast<BYTE>(clampByte(((16 * c - neighbourSum) * 2) / 16));
}

// One output byte at row offset j on its own: green (j % 3 == 1) also follows an edge that both
// blue and red of its pixel show.
BYTE sharpenByte(const BYTE* above, const BYTE* row, const BYTE* below, int j) {
    const WindowStats s = windowStats(above, row, below, j);
    bool edge = s.count >= kEdgeCount;
    if (j % kPixelBytes == 1 && !edge) {
        edge = windowStats(above, row, below, j - 1).count >= kEdgeCount &&
               windowStats(above, row, below, j + 1).count >= kEdgeCount;
    }
    return edge ? sharpened(row[j], s.sum) : row[j];
}

SharpenRowKernel activeSharpenKernel() {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return sharpenKernelAvx512();
        case Isa::avx2:
            return sharpenKernelAvx2();
        case Isa::baseline:
            break;
    }
#endif
    return nullptr;
}

// The inner bytes of one row through a kernel: the first bytes (whose reads would start left
// of the row) and the last ones byte by byte.
void sharpenRowVector(SharpenRowKernel kernel, const BYTE* above, const BYTE* row,
                      const BYTE* below, BYTE* dst, int width) {
    const int rowBytes = width * kPixelBytes, end = rowBytes - kPixelBytes;
    constexpr int kFirstVector = 2 * kPixelBytes;
    int j = kPixelBytes;
    for (; j < kFirstVector && j < end; ++j) dst[j] = sharpenByte(above, row, below, j);
    if (j < end) j = kernel(above, row, below, dst, j, rowBytes);
    for (; j < end; ++j) dst[j] = sharpenByte(above, row, below, j);
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE** SharpenImg(BYTE** srcRows, BYTE** dstRows, int width, int height) {
    using namespace zenthue;
    // Smaller pictures have no inner pixel to copy the borders from.
    if (!sidesWithin(width, height, 3, 3)) return nullptr;
    if (!rowsPresent(srcRows, height) || !rowsPresent(dstRows, height)) return nullptr;
    const int rowBytes = width * kPixelBytes;
    const SharpenRowKernel kernel = activeSharpenKernel();

    for (int y = 1; y < height - 1; ++y) {
        const BYTE* above = srcRows[y - 1];
        const BYTE* row = srcRows[y];
        const BYTE* below = srcRows[y + 1];
        BYTE* dst = dstRows[y];
        if (kernel != nullptr) sharpenRowVector(kernel, above, row, below, dst, width);
        for (int x = 1; x < width - 1 && kernel == nullptr; ++x) {
            const int at = x * kPixelBytes;
            const WindowStats s0 = windowStats(above, row, below, at);
            const WindowStats s1 = windowStats(above, row, below, at + 1);
            const WindowStats s2 = windowStats(above, row, below, at + 2);
            const bool edge0 = s0.count >= kEdgeCount;
            const bool edge2 = s2.count >= kEdgeCount;
            // Green also follows an edge that both blue and red show.
            const bool edge1 = s1.count >= kEdgeCount || (edge0 && edge2);
            dst[at] = edge0 ? sharpened(row[at], s0.sum) : row[at];
            dst[at + 1] = edge1 ? sharpened(row[at + 1], s1.sum) : row[at + 1];
            dst[at + 2] = edge2 ? sharpened(row[at + 2], s2.sum) : row[at + 2];
        }
        // Border pixels copy their filtered inner neighbours.
        std::memmove(dst, dst + kPixelBytes, kPixelBytes);
        std::memmove(dst + rowBytes - kPixelBytes, dst + rowBytes - 2 * kPixelBytes, kPixelBytes);
    }
    std::memmove(dstRows[0], dstRows[1], static_cast<size_t>(rowBytes));
    std::memmove(dstRows[height - 1], dstRows[height - 2], static_cast<size_t>(rowBytes));
    return dstRows;
}
