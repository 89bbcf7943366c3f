// The live road of one colour frame, shared by the in-process and the socket tests.
#pragma once

#include "driver_fixture.h"
#include "duovue_camera.h"

namespace zentdrv::testing {

// A 24-bit packed bitmap from GetImgHandle, locked for the test's life.
struct OutputImage {
    OutputImage(int width, int height) : handle(GetImgHandle(width, height, 3)) {
        header = static_cast<BITMAPINFOHEADER*>(GlobalLock(handle));
        pixels = reinterpret_cast<BYTE*>(header) + header->biSize;
    }
    ~OutputImage() {
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    // Blue, green, red of the pixel at x, y counted from the top of the picture: the bitmap is
    // bottom-up, so that is row height - 1 - y in memory.
    const BYTE* at(int x, int y) const {
        return pixels + (static_cast<size_t>(header->biHeight - 1 - y) * header->biWidth + x) * 3;
    }
    HGLOBAL handle;
    BITMAPINFOHEADER* header;
    BYTE* pixels;
};

// Set-up, InitEvCam, noise capture, then live colour frames with automatic white balance.
inline bool runLiveRoad(OutputImage& out, int width, int height) {
    const int liveMode = width == 320 ? 1 : 0;
    StartToCapture();
    SetDeviceInfo(0, 0);
    SetImageInfo(width, height, 3, 0);
    SetHWInterface(4, 0, 0, 0, 0, liveMode);
    if (InitEvCam() != 0) return false;
    SetHWInterface(-1, 0, 0, -1, 0, 6);
    if (ReInitFPN() != 1) return false;
    SetHWInterface(-1, 0, 0, -1, 0, liveMode);
    SetImageInfo(-1, -1, 0, 1);
    SetImgMemory(out.pixels, out.header);
    SetColorInfo(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    // The first frame still comes in noise-capture mode; the mode switches after it.
    for (int i = 0; i < 4; ++i)
        if (ReadColorFrame() != 1) return false;
    return true;
}

// Every flat region of the scene shows its colour, away from its edges, within 40 levels per
// channel: the white balance also sets the overall level, which lands some 10 % above the
// scene's. A picture upside down, mirrored, with swapped mosaic columns, still complemented or
// keeping the camera's colour cast (blue at 2/3) misses by far more.
inline void expectSceneColours(const OutputImage& out, const camera::Scene& scene, int width,
                               int height, int tolerance = 40) {
    for (const camera::Region& region : scene.regions(width, height)) {
        long sum[3] = {0, 0, 0};
        long count = 0;
        const int margin = 3;
        for (int y = region.y + margin; y < region.y + region.height - margin; ++y)
            for (int x = region.x + margin; x < region.x + region.width - margin; ++x) {
                const BYTE* p = out.at(x, y);
                sum[0] += p[2];
                sum[1] += p[1];
                sum[2] += p[0];
                ++count;
            }
        ASSERT_GT(count, 0);
        const int r = static_cast<int>(sum[0] / count);
        const int g = static_cast<int>(sum[1] / count);
        const int b = static_cast<int>(sum[2] / count);
        EXPECT_NEAR(r, region.colour.r, tolerance) << region.name;
        EXPECT_NEAR(g, region.colour.g, tolerance) << region.name;
        EXPECT_NEAR(b, region.colour.b, tolerance) << region.name;
    }
}

}  // namespace zentdrv::testing
