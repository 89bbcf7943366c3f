// Shared set-up of the compact-interface tests: a virtual clock and the simulated camera
// attached in-process as \\.\Usbscan0, the library's state record cleared.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "link_state.h"
#include "platform.h"
#include "zentdrv.h"
#include "zentlink.h"

class LinkTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // A private, empty runtime folder: no simulator socket of another test can answer for
        // a camera that a test has unplugged.
        if (const char* previous = std::getenv("XDG_RUNTIME_DIR")) previousRuntimeDir = previous;
        char folder[] = "/tmp/zentlink-test-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        runtimeDir = folder;
        setenv("XDG_RUNTIME_DIR", folder, 1);

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
        if (previousRuntimeDir) {
            setenv("XDG_RUNTIME_DIR", previousRuntimeDir->c_str(), 1);
        } else {
            unsetenv("XDG_RUNTIME_DIR");
        }
        rmdir(runtimeDir.c_str());
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

    std::optional<std::string> previousRuntimeDir;
    std::string runtimeDir;
    platform::VirtualClock clock{1'000'000};
    std::shared_ptr<camera::SimCamera> camera;
};

inline constexpr uint64_t kInitSleepMs = 2500;
