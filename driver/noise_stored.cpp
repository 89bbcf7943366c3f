// The noise frame for stored pictures: moved to the centre of a 512 x 384 area, where the
// store's pictures (and, thinned, its 160 x 120 pictures) find their noise samples.
#include <cstring>

#include "driver_internal.h"
#include "row_kernels.h"

namespace zentdrv {

void SubtractNoiseStored(const RowView& picture, const RowView& noise, int width, int height) {
    if (width <= 0 || height <= 0) return;
    if (width > picture.rowBytes || height > picture.height) return;
    // The samples are found in a whole noise image; none exist outside it.
    if (noise.height < kNoiseSide || noise.rowBytes < kNoiseSide) return;
    if (width > kNoiseSide || height > kNoiseSide) return;
    const DriverState& st = driverState();
    const int offset = st.levelOffset;
    const int ceiling = ByteCeiling(st);
    const int samples = 4 * (width / 4);

    if (width == 160 && height == 120) {
        // The camera keeps row pairs 0-1, 4-5, ... and column pairs likewise.
        for (int r = 0; r < height; ++r) {
            BYTE* row = picture[r];
            const BYTE* samplesAt = noise[72 + 4 * (r / 2) + (r & 1)] + 96;
            for (int k = 0; k < samples / 4; ++k) {
                const BYTE* n = samplesAt + 8 * k;
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
    const auto correct = rowKernels().correctRow;
    for (int r = 0; r < height; ++r)
        correct(picture[r], noise[r + rowOffset] + colOffset, samples, offset, ceiling);
}

void CentreNoiseFrame(const RowView& noise, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const int rowOffset = (384 - height) / 2;
    const int colOffset = (512 - width) / 2;
    // The frame and its new place must both lie in the noise image.
    if (rowOffset < 0 || colOffset < 0) return;
    if (height + rowOffset > noise.height || width + colOffset > noise.rowBytes) return;
    // Bottom row first, so that every source row is still intact when it is copied.
    for (int k = height - 1; k >= 0; --k) {
        std::memmove(noise[k + rowOffset] + colOffset, noise[k], width);
    }
}

}  // namespace zentdrv
