// Level choice and strip padding of the vector medians.
#include "median_rows.h"

#include <algorithm>
#include <cstring>

#include "engine/isa.h"
#include "filter_common.h"

namespace zenthue {

namespace {

// Output pixels per strip; a strip's padded rows stay on the stack and in the first-level cache.
constexpr int kStripPixels = 512;
constexpr int kMaxN = 5;
constexpr int kSlack = 64;  // bytes a kernel may read past a row's last window byte
constexpr int kStripBytes = (kStripPixels + kMaxN - 1) * kPixelBytes + kSlack;

}  // namespace

MedianRowKernel activeMedianKernel([[maybe_unused]] int n) {
#if defined(ZENTHUE_X86_KERNELS)
    switch (activeIsa()) {
        case Isa::avx512:
            return medianKernelAvx512(n);
        case Isa::avx2:
            return medianKernelAvx2(n);
        case Isa::baseline:
            break;
    }
#endif
    return nullptr;
}

void medianRow(MedianRowKernel kernel, int n, const BYTE* const* window, BYTE* out, int pixels,
               int width) {
    alignas(64) BYTE strip[kMaxN][kStripBytes];
    const BYTE* rows[kMaxN];
    const int half = n / 2;
    for (int x0 = 0; x0 < pixels; x0 += kStripPixels) {
        const int count = std::min(kStripPixels, pixels - x0);
        const int span = count + n - 1;  // window pixels x0 - half .. x0 + count - 1 + half
        const int first = x0 - half;
        for (int r = 0; r < n; ++r) {
            BYTE* s = strip[r];
            const BYTE* src = window[r];
            const int zeros = std::max(0, -first);  // left of the row
            const int inside = std::max(0, std::min(span, width - first) - zeros);  // in the row
            std::memset(s, 0, static_cast<std::size_t>(zeros) * kPixelBytes);
            std::memcpy(s + zeros * kPixelBytes, src + (first + zeros) * kPixelBytes,
                        static_cast<std::size_t>(inside) * kPixelBytes);
            const BYTE* last = src + (width - 1) * kPixelBytes;
            for (int k = zeros + inside; k < span; ++k) std::memcpy(s + k * kPixelBytes, last, 3);
            std::memset(s + span * kPixelBytes, 0, kSlack);
            rows[r] = s;
        }
        kernel(rows, out + x0 * kPixelBytes, count * kPixelBytes);
    }
}

}  // namespace zenthue
