// DoubleImg: doubles a 24-bit picture's width and height by copying and averaging neighbours.
#include <cstring>

#include "filter_common.h"

extern "C" BYTE** DoubleImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight) {
    using namespace zenthue;
    if (!sidesWithin(srcWidth, srcHeight, 1, 1)) return nullptr;
    if (!rowsPresent(srcRows, srcHeight) || !rowsPresent(dstRows, 2 * srcHeight)) return nullptr;
    const int dstRowBytes = 2 * srcWidth * kPixelBytes;

    // Even rows: source pixels at even positions; an in-between pixel takes, in all three bytes,
    // the mean of byte 0 of its two neighbours. The last in-between pixel has no right neighbour
    // and repeats the last source pixel whole, as a copy of the edge would.
    for (int i = 0; i < srcHeight; ++i) {
        const BYTE* src = srcRows[i];
        BYTE* dst = dstRows[2 * i];
        for (int x = 0; x < srcWidth; ++x) {
            const BYTE* p = src + x * kPixelBytes;
            BYTE* d = dst + 2 * x * kPixelBytes;
            d[0] = p[0];
            d[1] = p[1];
            d[2] = p[2];
            if (x + 1 < srcWidth) {
                const BYTE mean = static_cast<BYTE>((p[0] + p[kPixelBytes]) >> 1);
                d[3] = mean;
                d[4] = mean;
                d[5] = mean;
            } else {
                d[3] = p[0];
                d[4] = p[1];
                d[5] = p[2];
            }
        }
    }

    // Odd rows: the byte-wise truncated mean of the even rows above and below, so colours keep;
    // the last row, with nothing below it, copies the row above.
    for (int i = 0; i + 1 < srcHeight; ++i) {
        const BYTE* above = dstRows[2 * i];
        const BYTE* below = dstRows[2 * i + 2];
        BYTE* dst = dstRows[2 * i + 1];
        for (int k = 0; k < dstRowBytes; ++k)
            dst[k] = static_cast<BYTE>((above[k] + below[k]) >> 1);
    }
    std::memmove(dstRows[2 * srcHeight - 1], dstRows[2 * srcHeight - 2],
                 static_cast<size_t>(dstRowBytes));
    return dstRows;
}
