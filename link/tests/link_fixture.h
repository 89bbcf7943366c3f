// Shared set-up of the compact-interface tests: a private runtime folder, a virtual clock, the
// simulated camera attached in-process as \\.\Usbscan0 and the library's state record cleared.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "link_state.h"
#include "platform.h"
#include "zentdrv.h"
#include "zentlink.h"

inline constexpr uint64_t kInitSleepMs = 2500;  // every camera initialisation sleeps first

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // No simulator socket of another test may answer for a camera a test has unplugged.
        const char* previous = std::getenv("XDG_RUNTIME_DIR");
        previousRuntimeDir = previous != nullptr ? previous : "";
        char folder[] = "/tmp/zentlink-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        runtimeDir = folder;
        setenv("XDG_RUNTIME_DIR", folder, 1);

        platform::installClock(&clock);
        camera = std::make_shared<camera::SimCamera>();
        platform::attachUsbDevice(0, camera);
        state() = zentlink::LinkState{};
        SetImageInfo(-1, -1, 0, 0);  // the driver's record outlives each test: no noise correction
    }

    void TearDown() override {
        DetachDevice(0, 0, 0, 0, 0);
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
        setenv("XDG_RUNTIME_DIR", previousRuntimeDir.c_str(), 1);
        rmdir(runtimeDir.c_str());
    }

    // Attaches in live mode 0 or 1 and sets up host frames of the matching size.
    void attachLive(int mode, int colorDepth) {
        ASSERT_EQ(AttachDevice(mode, 0, 4, 0, 0), 1);
        SetImgBuf(mode == 1 ? 320 : 160, mode == 1 ? 240 : 120, colorDepth, mode, 0);
    }

    uint64_t slept() const { return clock.totalSleptMs(); }
    static zentlink::LinkState& state() { return zentlink::linkState(); }

    std::string previousRuntimeDir, runtimeDir;
    platform::VirtualClock clock{1'000'000};
    std::shared_ptr<camera::SimCamera> camera;
};
