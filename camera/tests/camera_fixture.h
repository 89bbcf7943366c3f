// A camera attached in-process as \\.\Usbscan0, and the truth a received frame is checked
// against.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "duovue_camera.h"
#include "wire_driver.h"

namespace camera::testing {

class AttachedCamera : public ::testing::Test {
  protected:
    void attach(const CameraOptions& options = {}) {
        cam = std::make_shared<SimCamera>(options);
        platform::attachUsbDevice(0, cam);
        ASSERT_TRUE(host.open(0));
    }
    void SetUp() override { attach(); }
    void TearDown() override {
        host.close();
        platform::detachUsbDevice(0);
    }

    std::shared_ptr<SimCamera> cam;
    WireDriver host;
};

// The level a sensor sample at wire (row, column) of a width x height capture of `scene` must
// have, without temporal noise: the true colour of the mosaic's channel there through the
// sensor response, on top of the dark level. Stuck pixels keep their level.
inline int expectedLevel(const SimCamera& cam, const Scene& scene, int width, int height, int row,
                         int column) {
    const int dark = cam.darkLevel(width, height, row, column);
    if (dark == 0 || dark == 255) return dark;  // stuck
    // The bottom line of the picture comes first; even rows are R-G rows.
    const Rgb t = scene.pictureAt(width, height, column, height - 1 - row);
    int v, cast;
    if ((row & 1) == 0 && (column & 1) == 0) {
        v = t.r, cast = kCastRed;
    } else if ((row & 1) == 1 && (column & 1) == 1) {
        v = t.b, cast = kCastBlue;
    } else {
        v = t.g, cast = kCastGreen;
    }
    return std::clamp(dark + ((v * cast * kExposure) >> 13), 0, 255);
}

// Largest difference between a received frame (wire format) and the scene's expected mosaic.
inline int worstDifference(const SimCamera& cam, const Scene& scene, int width, int height,
                           const std::vector<uint8_t>& wire) {
    const auto levels = unpackFrame(wire, width, height);
    int worst = 0;
    for (int r = 0; r < height; ++r)
        for (int c = 0; c < width; ++c)
            worst = std::max(worst, std::abs(levels[r * width + c] -
                                             expectedLevel(cam, scene, width, height, r, c)));
    return worst;
}

}  // namespace camera::testing
