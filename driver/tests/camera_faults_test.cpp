// Faults of the camera at every step of InitEvCam, ReInitFPN and a frame read: each gives the
// stated failure result, in bounded time, and the next InitEvCam works again.
#include <functional>
#include <memory>
#include <vector>

#include "duovue_camera.h"
#include "live_road.h"

namespace zentdrv::testing {
namespace {

// Wraps the simulated camera: counts and logs every device call, fails one chosen call, or
// unplugs the camera from a chosen call on.
class FaultyDevice : public platform::UsbDevice {
  public:
    struct Call {
        char kind;  // 'r' register read, 'w' register write, 'd' descriptor, 'b' bulk read
        uint32_t reg;
        uint8_t value;
    };
    explicit FaultyDevice(std::shared_ptr<camera::SimCamera> camera) : cam(std::move(camera)) {}

    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) override {
        if (!pass({'r', reg, 0})) return false;
        return cam->readRegister(reg, data, length);
    }
    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) override {
        if (!pass({'w', reg, length ? data[0] : uint8_t{0}})) return false;
        return cam->writeRegister(reg, data, length);
    }
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override {
        if (!pass({'d', 0, 0})) return false;
        return cam->deviceDescriptor(out);
    }
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) override {
        transferred = 0;
        if (!pass({'b', 0, 0})) return false;
        return cam->bulkRead(data, length, transferred);
    }
    bool connected() const override { return !gone && cam->connected(); }

    void reset() {
        log.clear();
        failAt = vanishAt = kNever;
        gone = false;
    }

    static constexpr size_t kNever = SIZE_MAX;
    std::vector<Call> log;
    size_t failAt = kNever;
    size_t vanishAt = kNever;

  private:
    bool pass(Call call) {
        const size_t index = log.size();
        log.push_back(call);
        if (index >= vanishAt) gone = true;
        return !gone && index != failAt;
    }
    std::shared_ptr<camera::SimCamera> cam;
    bool gone = false;
};

// For every call of a good run: -1 inside a mode programming (three control writes, the ready
// wait, the closing write), else the number of the frame step it belongs to (0, 1, ...).
std::vector<int> frameStepOf(const std::vector<FaultyDevice::Call>& log) {
    auto control = [&](size_t i) { return log[i].kind == 'w' && log[i].reg == kRegControl; };
    std::vector<int> step(log.size());
    int frame = 0;
    int writesInMode = -1;
    for (size_t i = 0; i < log.size(); ++i) {
        if (writesInMode < 0 && control(i) && (log[i].value & 0x0F) == 0x09 && i + 1 < log.size() &&
            control(i + 1))
            writesInMode = 0;
        if (writesInMode >= 0) {
            step[i] = -1;
            if (control(i) && ++writesInMode == 4) {
                writesInMode = -1;
                ++frame;
            }
        } else {
            step[i] = frame;
        }
    }
    return step;
}

class CameraFaults : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        cam = std::make_shared<camera::SimCamera>();
        dev = std::make_shared<FaultyDevice>(cam);
        platform::attachUsbDevice(0, dev);
        StartToCapture();
        SetImageInfo(160, 120, 3, 1);
        SetImgMemory(out.pixels, out.header);
        SetColorInfo(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    }

    // Live 160 x 120, opened and settled; the device log then starts empty.
    void openLive() {
        cam->clearFaults();
        dev->reset();
        SetHWInterface(4, 0, 0, -1, 0, 0);
        ASSERT_EQ(InitEvCam(), 0);
        ASSERT_EQ(ReadColorFrame(), 1);
        dev->reset();
    }

    // After any fault the camera comes back and the driver works as before.
    void expectUsable(const char* what, size_t at) {
        cam->clearFaults();
        dev->reset();
        SetHWInterface(4, 0, 0, -1, 0, 0);
        ASSERT_EQ(InitEvCam(), 0) << what << " at call " << at;
        EXPECT_EQ(ReadColorFrame(), 1) << what << " at call " << at;
    }

    std::shared_ptr<camera::SimCamera> cam;
    std::shared_ptr<FaultyDevice> dev;
    OutputImage out{160, 120};
};

TEST_F(CameraFaults, InitEvCamFailsWithStatusOneAtEveryCall) {
    openLive();
    SetHWInterface(-1, 0, 0, -1, 0, 0);
    ASSERT_EQ(InitEvCam(), 0);
    const size_t calls = dev->log.size();
    ASSERT_GT(calls, 4u);
    for (size_t n = 0; n < calls; ++n) {
        for (bool vanish : {false, true}) {
            dev->reset();
            (vanish ? dev->vanishAt : dev->failAt) = n;
            EXPECT_EQ(InitEvCam(), 1) << (vanish ? "vanish" : "fail") << " at " << n;
            expectUsable("InitEvCam", n);
        }
    }
    // A camera that is gone before the search.
    dev->reset();
    dev->vanishAt = 0;
    cam->vanish();
    EXPECT_EQ(InitEvCam(), 1);
    expectUsable("InitEvCam, unplugged", 0);
}

TEST_F(CameraFaults, FrameReadFailsAtEveryCall) {
    openLive();
    ASSERT_EQ(ReadColorFrame(), 1);
    const size_t calls = dev->log.size();
    for (size_t n = 0; n < calls; ++n) {
        for (bool vanish : {false, true}) {
            openLive();
            (vanish ? dev->vanishAt : dev->failAt) = n;
            EXPECT_EQ(ReadColorFrame(), 0) << (vanish ? "vanish" : "fail") << " at " << n;
            expectUsable("frame read", n);
        }
    }
}

TEST_F(CameraFaults, ReInitFpnFailsWhenAFrameItReliesOnFails) {
    // The good run: the discarded frame, two unprocessed captures, five averaging passes, each
    // followed by a mode programming whose result is not used.
    openLive();
    SetHWInterface(-1, 0, 0, -1, 0, 6);
    ASSERT_EQ(ReInitFPN(), 1);
    const std::vector<int> step = frameStepOf(dev->log);
    ASSERT_EQ(step.back(), -1);
    int frames = 0;
    for (int s : step) frames = std::max(frames, s + 1);
    ASSERT_EQ(frames, 8);
    // Steps 0 and 3 to 7 decide the result; the two captures (1, 2) and mode programming don't.
    auto decides = [](int s) { return s == 0 || s >= 3; };
    size_t lastDeciding = 0;
    for (size_t i = 0; i < step.size(); ++i)
        if (decides(step[i])) lastDeciding = i;

    for (size_t n = 0; n < step.size(); ++n) {
        for (bool vanish : {false, true}) {
            openLive();
            SetHWInterface(-1, 0, 0, -1, 0, 6);
            (vanish ? dev->vanishAt : dev->failAt) = n;
            const int expected = vanish ? (n <= lastDeciding ? 0 : 1) : (decides(step[n]) ? 0 : 1);
            EXPECT_EQ(ReInitFPN(), expected) << (vanish ? "vanish" : "fail") << " at " << n;
            expectUsable("ReInitFPN", n);
        }
    }
}

// The camera's own misbehaviours, each against the three operations: what the transport
// cannot see (a short bulk read) passes, a ready bit that never comes fails only the mode
// programming, a drain that never ends fails every frame.
TEST_F(CameraFaults, ReadyNeverDrainNeverAndShortReads) {
    struct Case {
        const char* name;
        std::function<void(camera::SimCamera&)> fault;
        int initEvCam, frameRead, reInitFpn;
    };
    const Case cases[] = {
        {"ready never", [](camera::SimCamera& c) { c.setReadyNever(true); }, 1, 1, -1},
        {"drain never ends", [](camera::SimCamera& c) { c.setDrainNeverEnds(true); }, 0, 0, 0},
        {"short reads", [](camera::SimCamera& c) { c.setShortBulkReads(5000); }, 0, 1, 1},
    };
    for (const Case& c : cases) {
        openLive();
        c.fault(*cam);
        EXPECT_EQ(InitEvCam(), c.initEvCam) << c.name;
        expectUsable(c.name, 0);
        c.fault(*cam);
        cam->resetCounters();
        EXPECT_EQ(ReadColorFrame(), c.frameRead) << c.name;
        EXPECT_LE(cam->counters().statusReads, 2u * kPollLimit + 2) << c.name;
        expectUsable(c.name, 1);
        if (c.reInitFpn < 0) continue;  // sixteen full waits: the frame read covers that path
        SetHWInterface(-1, 0, 0, -1, 0, 6);
        c.fault(*cam);
        EXPECT_EQ(ReInitFPN(), c.reInitFpn) << c.name;
        expectUsable(c.name, 2);
    }
}

}  // namespace
}  // namespace zentdrv::testing
