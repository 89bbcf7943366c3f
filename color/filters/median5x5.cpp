// MedianFilter5X5: every channel of a pixel becomes the median of that channel over the 5 x 5
// window around it. Window rows above the top or below the bottom are replaced by the pixel's own
// row; the two left window columns are zero at the first pixel of a row. The last two pixels of
// every row are not written.
#include <algorithm>
#include <cstring>

#include "filter_common.h"
#include "median_network.h"
#include "median_rows.h"

extern "C" int MedianFilter5X5(BYTE** srcRows, BYTE** dstRows, int width, int height) {
    using namespace zenthue;
    // A row narrower than 3 pixels has no pixel to write (and its window would start past it).
    if (!sidesWithin(width, height, 3, 1)) return 0;
    if (!rowsPresent(srcRows, height) || !rowsPresent(dstRows, height)) return 0;
    const int written = width - 2;
    MedianPlanes<25> planes;
    const MedianRowKernel kernel = activeMedianKernel(5);
    for (int y = 0; y < height; ++y) {
        const BYTE* window[5];
        for (int r = 0; r < 5; ++r) {
            const int source = y - 2 + r;
            window[r] = srcRows[source < 0 || source >= height ? y : source];
        }
        if (kernel != nullptr) {
            medianRow(kernel, 5, window, dstRows[y], written, width);
            continue;
        }
        for (int x0 = 0; x0 < written; x0 += kRunPixels) {
            const int pixels = std::min(kRunPixels, written - x0);
            for (int r = 0; r < 5; ++r) {
                for (int c = 0; c < 5; ++c) {
                    planes.load(r * 5 + c, window[r], x0 - 2 + c, pixels, width);
                }
            }
            std::memcpy(dstRows[y] + x0 * kPixelBytes, planes.median(),
                        static_cast<size_t>(pixels) * kPixelBytes);
        }
    }
    return 1;
}
