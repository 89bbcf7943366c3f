// The noise frame for stored pictures: moved to the centre of a 512 x 384 area, where the
// store's pictures (and, thinned, its 160 x 120 pictures) find their noise samples.
#include <cstring>

#include "driver_internal.h"

namespace zentdrv {

void SubtractNoiseStored(BYTE** pictureRows, BYTE** noiseRows, int width, int height) {
    if (pictureRows == nullptr || noiseRows == nullptr || width <= 0 || height <= 0) return;
    if (width > kNoiseSide || height > kNoiseSide) return;  // no noise samples that far out
    const DriverState& st = driverState();
    const int offset = st.levelOffset;
    const int ceiling = ByteCeiling(st);
    const int samples = 4 * (width / 4);

    if (width == 160 && height == 120) {
        // The camera keeps row pairs 0-1, 4-5, ... and column pairs likewise.
        for (int r = 0; r < height; ++r) {
            BYTE* row = pictureRows[r];
            const BYTE* noise = noiseRows[72 + 4 * (r / 2) + (r & 1)] + 96;
            for (int k = 0; k < samples / 4; ++k) {
                const BYTE* n = noise + 8 * k;
                BYTE* f = row + 4 * k;
                f[0] = CorrectSample(offset, ceiling, f[0], n[0]);
                f[1] = CorrectSample(offset, ceiling, f[1], n[1]);
                f[2] = CorrectSample(offset, ceiling, f[2], n[4]);
                f[3] = CorrectSample(offset, ceiling, f[3], n[5]);
            }
        }
        return;
    }

    const int rowOffset = height < 384 ? (384 - height) / 2 : 0;
    const int colOffset = width < 512 ? (512 - width) / 2 : 0;
    for (int r = 0; r < height; ++r) {
        BYTE* row = pictureRows[r];
        const BYTE* noise = noiseRows[r + rowOffset] + colOffset;
        for (int c = 0; c < samples; ++c) row[c] = CorrectSample(offset, ceiling, row[c], noise[c]);
    }
}

void CentreNoiseFrame(BYTE** noiseRows, int width, int height) {
    if (noiseRows == nullptr || width <= 0 || height <= 0) return;
    const int rowOffset = (384 - height) / 2;
    const int colOffset = (512 - width) / 2;
    // The frame and its new place must both lie in the 512 x 512 noise image.
    if (rowOffset < 0 || colOffset < 0) return;
    if (height + rowOffset > kNoiseSide || width + colOffset > kNoiseSide) return;
    // Bottom row first, so that every source row is still intact when it is copied.
    for (int k = height - 1; k >= 0; --k) {
        std::memmove(noiseRows[k + rowOffset] + colOffset, noiseRows[k], width);
    }
}

}  // namespace zentdrv
