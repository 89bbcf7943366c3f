// CutBadPixel: replaces isolated stuck dark or bright samples of an 8-bit raw mosaic frame by the
// mean of the four nearest samples of the same colour, two pixels away on each side.
#include "filter_common.h"

namespace zenthue {
namespace {

// A sample must differ from all four same-colour neighbours by more than this to be replaced.
constexpr int kThreshold = 20;

}  // namespace
}  // namespace zenthue

extern "C" int CutBadPixel(BYTE** rows, int width, int height) {
    using namespace zenthue;
    if (!sidesWithin(width, height, 5, 5)) return 0;
    if (!rowsPresent(rows, height)) return 0;
    // In place, top to bottom and left to right: a test sees the corrected values of the
    // samples above it and to its left.
    for (int y = 2; y < height - 2; ++y) {
        const BYTE* above = rows[y - 2];
        BYTE* row = rows[y];
        const BYTE* below = rows[y + 2];
        for (int x = 2; x < width - 2; ++x) {
            const int c = row[x];
            const int up = above[x];
            const int down = below[x];
            const int left = row[x - 2];
            const int right = row[x + 2];
            const bool dark = c < up - kThreshold && c < left - kThreshold &&
                              c < down - kThreshold && c < right - kThreshold;
            const bool bright = c > up + kThreshold && c > left + kThreshold &&
                                c > down + kThreshold && c > right + kThreshold;
            if (dark || bright) row[x] = static_cast<BYTE>((up + down + left + right) >> 2);
        }
    }
    return 1;
}
