// Shared set-up of the compact-interface tests: a virtual clock and the simulated camera
// attached in-process as \\.\Usbscan0, the library's state record cleared.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "duovue_camera.h"
#include "link_state.h"
#include "platform.h"
#include "zentdrv.h"
#include "zentlink.h"

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::installClock(&clock);
        camera = std::make_shared<camera::SimCamera>();
        platform::attachUsbDevice(0, camera);
        zentlink::linkState() = zentlink::LinkState{};
        // The driver's record outlives each test: start without noise correction (a test may
        // have switched it on without capturing a noise frame).
        SetImageInfo(-1, -1, 0, 0);
    }

    void TearDown() override {
        DetachDevice(0, 0, 0, 0, 0);
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
    }

    // Attaches in live mode `mode` and sets up host frames of the matching size.
    void attachLive(int mode, int colorDepth) {
        ASSERT_EQ(AttachDevice(mode, 0, 4, 0, 0), 1);
        const int width = mode == 1 ? 320 : 160;
        const int height = mode == 1 ? 240 : 120;
        SetImgBuf(width, height, colorDepth, mode, 0);
    }

    // Milliseconds slept so far: every camera initialisation sleeps 2500 ms first.
    uint64_t slept() const { return clock.totalSleptMs(); }

    static zentlink::LinkState& state() { return zentlink::linkState(); }

    platform::VirtualClock clock{1'000'000};
    std::shared_ptr<camera::SimCamera> camera;
};

inline constexpr uint64_t kInitSleepMs = 2500;
