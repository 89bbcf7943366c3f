// Fixed-pattern noise: capturing and averaging the noise frame, and the live subtraction.
#include <algorithm>
#include <cstring>

#include "driver_internal.h"
#include "row_kernels.h"
#include "zentdrv.h"

namespace zentdrv {

namespace {

constexpr int kAveragePasses = 5;

void applyRequestedMode(const DriverState& s) {
    ApplyMode(s.modeBit0, s.modeBit2, s.modeBit3);  // result not used
}

// One snap and one frame transfer at the current geometry.
int snapFrame(const RowView& table) {
    const DriverState& s = driverState();
    int width = 0;
    int height = 0;
    // In erase geometry there is no frame: nothing is sent or read.
    if (!FrameSize(s.currentGeometry, width, height)) return 0;
    if (!WriteControl(static_cast<uint8_t>(ControlShadow() | 0x01))) return 0;
    return TransferFrame(table, width, height);
}

// Rows and samples of the image size that fit both tables (noise image: 512 x 512).
void boundedArea(const RowView& a, const RowView& b, int width, int height, int& rows,
                 int& samples) {
    rows = std::max(0, std::min({height, a.height, b.height}));
    samples = std::max(0, std::min({4 * (width / 4), a.rowBytes, b.rowBytes}));
}

}  // namespace

int CaptureRawFrame(const RowView& table) {
    DriverState& s = driverState();
    s.noiseMax = 0;
    s.noiseMin = 255;
    if (s.interfaceType == kInterfaceUsb) {
        if (!snapFrame(table)) return 0;
        applyRequestedMode(s);
    }
    s.currentGeometry = s.requestedGeometry;
    return 1;
}

int AverageNoisePass(const RowView& frame, const RowView& noise) {
    DriverState& s = driverState();
    if (s.interfaceType != kInterfaceUsb) return 1;
    if (!snapFrame(frame)) return 0;
    s.currentGeometry = s.requestedGeometry;
    applyRequestedMode(s);

    int rows = 0;
    int samples = 0;
    boundedArea(frame, noise, s.imageWidth, s.imageHeight, rows, samples);
    int high = s.noiseMax;
    int low = s.noiseMin;
    for (int r = 0; r < rows; ++r) {
        const BYTE* f = frame[r];
        BYTE* n = noise[r];
        for (int c = 0; c < samples; ++c) {
            const int v = (n[c] + f[c]) >> 1;
            n[c] = static_cast<BYTE>(v);
            high = std::max(high, v);
            low = std::min(low, v);
        }
    }
    s.noiseMax = high;
    s.noiseMin = low;
    return 1;
}

void SubtractNoise(const RowView& frame, const RowView& noise, int width, int height) {
    const DriverState& s = driverState();
    int rows = 0;
    int samples = 0;
    boundedArea(frame, noise, width, height, rows, samples);
    const int offset = s.levelOffset;
    const int ceiling = ByteCeiling(s);
    const auto correct = rowKernels().correctRow;
    for (int r = 0; r < rows; ++r) correct(frame[r], noise[r], samples, offset, ceiling);
}

}  // namespace zentdrv

using zentdrv::driverState;
using zentdrv::DriverState;

extern "C" {

int ReInitFPN(void) {
    DriverState& s = driverState();
    int r = zentdrv::ReadCorrectedFrame(zentdrv::WorkView());  // thrown away; lets a mode settle
    if (r == 1) {
        zentdrv::CaptureRawFrame(zentdrv::NoiseView());
        zentdrv::CaptureRawFrame(zentdrv::NoiseView());  // the starting noise frame
        s.noiseCentred = 0;                              // a fresh frame, at the origin again
    }
    for (int pass = 0; r == 1 && pass < zentdrv::kAveragePasses; ++pass)
        r = zentdrv::AverageNoisePass(zentdrv::WorkView(), zentdrv::NoiseView());

    // Rows 192 to 194 of the sensor are unreliable; take them from their neighbours.
    if (s.noiseBase != nullptr) {
        const size_t n = static_cast<size_t>(std::clamp(s.imageWidth, 0, zentdrv::kNoiseSide));
        std::memmove(s.noiseRows[192], s.noiseRows[191], n);
        std::memmove(s.noiseRows[194], s.noiseRows[195], n);
        std::memmove(s.noiseRows[193], s.noiseRows[195], n);
    }

    s.levelOffset = 255 - s.noiseMax;
    // With nothing averaged noiseMax is below noiseMin; the ceiling then stays at full scale.
    s.clipCeiling = 255;
    return r;
}

int ReadNoise(void) {
    DriverState& s = driverState();
    switch (s.displayType) {
        case 1:
            return zentdrv::CaptureRawFrame(zentdrv::OutputView());
        case 2:
        case 3: {
            const int a = zentdrv::CaptureRawFrame(zentdrv::NoiseView());
            if (a == 1) zentdrv::CaptureRawFrame(zentdrv::NoiseView());
            s.noiseCentred = 0;
            zentdrv::GrayToDisplay(zentdrv::NoiseView(), zentdrv::OutputView(), s.imageWidth,
                                   s.imageHeight);
            return a;
        }
        default:
            return 1;
    }
}

}  // extern "C"
