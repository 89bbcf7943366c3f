// DoMedianFilter: every channel of a pixel becomes the median of that channel over the 3 x 3
// window around it. The window's left column is zero at the first pixel of a row; at the last
// pixel its right column repeats the row's last pixel, so the edge is filtered from the
// picture's own values instead of being pulled towards black.
#include <algorithm>
#include <cstring>

#include "filter_common.h"
#include "median_network.h"
#include "median_rows.h"

extern "C" int DoMedianFilter(BYTE** srcRows, BYTE** dstRows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 1, 3)) return 0;
    if (!rowsPresent(srcRows, height) || !rowsPresent(dstRows, height)) return 0;
    if (const MedianRowKernel kernel = activeMedianKernel(3)) {
        for (int y = 1; y < height - 1; ++y) {
            medianRow(kernel, 3, srcRows + y - 1, dstRows[y], width, width);
        }
        return 1;
    }
    MedianPlanes<9> planes;
    for (int y = 1; y < height - 1; ++y) {
        for (int x0 = 0; x0 < width; x0 += kRunPixels) {
            const int pixels = std::min(kRunPixels, width - x0);
            for (int r = 0; r < 3; ++r) {
                for (int c = 0; c < 3; ++c) {
                    planes.load(r * 3 + c, srcRows[y - 1 + r], x0 - 1 + c, pixels, width);
                }
            }
            std::memcpy(dstRows[y] + x0 * kPixelBytes, planes.median(),
                        static_cast<size_t>(pixels) * kPixelBytes);
        }
    }
    return 1;
}
