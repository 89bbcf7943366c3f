// The driver over a camera on the (mocked) USB bus: the same pictures as over the simulator's
// socket, and a camera pulled out at any step fails that step instead of hanging.
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <functional>
#include <vector>

#include "live_road.h"
#include "sim_process.h"
#include "usb_bus.h"

namespace zentdrv::testing {
namespace {

using usbtest::bus;

void mode(int code) {
    SetHWInterface(4, 0, 1, 0, 1, code);
}

// What the live road and a download of the store give.
struct Pictures {
    std::vector<BYTE> live;
    std::array<BYTE, 256> table{};
    std::vector<std::vector<BYTE>> items;
};

Pictures takePictures() {
    Pictures p;
    {
        OutputImage out(320, 240);
        EXPECT_TRUE(runLiveRoad(out, 320, 240));
        p.live.assign(out.pixels, out.pixels + 320 * 240 * 3);
    }
    EndCapture();
    StartToCapture();
    SetDeviceInfo(0, 0);
    SetImageInfo(320, 240, 3, 1);
    mode(1);
    EXPECT_EQ(InitEvCam(), 0);
    mode(6);
    EXPECT_EQ(ReInitFPN(), 1);
    mode(3);
    EXPECT_GT(DloadSDRAM_Header(p.table.data()), 0);
    EXPECT_EQ(DloadSDRAM(), 1);
    for (int i = 0; i < 256 && (p.table[i] & 0x70) != 0x70; ++i) {
        if ((p.table[i] & 0x10) != 0) continue;
        BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
        std::vector<BYTE> pixels(320 * 240 * 3, 0xAB);
        std::array<BYTE*, 240> rows{};
        for (int r = 0; r < 240; ++r) rows[r] = pixels.data() + 960 * r;
        EXPECT_EQ(GetColorImage(rows.data(), &header, i), 1) << i;
        p.items.push_back(std::move(pixels));
    }
    EndCapture();
    return p;
}

class UsbDriver : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        setenv("DUOVUE_USB_IDS", "1d5c:0a15", 1);
        bus().camera->reset();
        bus().second->reset();
    }
    void TearDown() override {
        DriverTest::TearDown();
        setenv("DUOVUE_USB_IDS", "", 1);
    }
};

TEST_F(UsbDriver, SamePicturesAsOverTheSocket) {
    Pictures overSocket;
    {
        setenv("DUOVUE_USB_IDS", "", 1);
        camera::SimProcess sim;
        overSocket = takePictures();
        sim.stop();
    }
    reset();
    setenv("DUOVUE_USB_IDS", "1d5c:0a15", 1);
    const Pictures overUsb = takePictures();
    EXPECT_GT(bus().camera->opens(), 0);
    ASSERT_EQ(overUsb.live.size(), overSocket.live.size());
    EXPECT_TRUE(overUsb.live == overSocket.live);
    EXPECT_EQ(overUsb.table, overSocket.table);
    ASSERT_EQ(overUsb.items.size(), overSocket.items.size());
    EXPECT_GT(overUsb.items.size(), 0u);
    for (size_t i = 0; i < overUsb.items.size(); ++i)
        EXPECT_TRUE(overUsb.items[i] == overSocket.items[i]) << "item " << i;
    EXPECT_EQ(bus().foreign->opens(), 0);
}

// Runs the steps before `failing`, pulls the camera out (at once, or some calls or bulk bytes
// into the step) and checks that the step fails, and fails again.
struct Step {
    const char* name;
    std::function<bool()> run;  // true when the step succeeded
};

TEST_F(UsbDriver, ACameraPulledOutAtAnyStepFailsThatStep) {
    std::array<BYTE, 256> table{};
    const Step steps[] = {
        {"InitEvCam", [] { return mode(1), InitEvCam() == 0; }},
        {"ReInitFPN", [] { return mode(6), ReInitFPN() == 1; }},
        {"DloadSDRAM_Header", [&] { return mode(3), DloadSDRAM_Header(table.data()) > 0; }},
        {"DloadSDRAM", [] { return DloadSDRAM() == 1; }},
    };
    const int count = static_cast<int>(std::size(steps));
    for (int failing = 0; failing < count; ++failing) {
        for (const int how : {0, 1, 2}) {
            SCOPED_TRACE(std::string(steps[failing].name) + " way " + std::to_string(how));
            reset();
            bus().camera->reset();
            StartToCapture();
            SetDeviceInfo(0, 0);
            SetImageInfo(320, 240, 3, 1);
            for (int i = 0; i < failing; ++i) ASSERT_TRUE(steps[i].run());
            camera::SimCamera& cam = bus().camera->camera();
            if (how == 0) cam.vanish();
            if (how == 1) cam.vanishAfterCalls(3);
            if (how == 2) cam.vanishAfterBulkBytes(100000);
            if (how == 2 && failing < 3) continue;  // those steps read too little
            EXPECT_FALSE(steps[failing].run());
            EXPECT_FALSE(steps[failing].run());
            EndCapture();
        }
    }
}

TEST_F(UsbDriver, ACameraPulledOutDuringLiveFramesFailsTheFrame) {
    StartToCapture();
    OutputImage out(320, 240);
    ASSERT_TRUE(runLiveRoad(out, 320, 240));
    bus().camera->camera().vanishAfterBulkBytes(20000);
    EXPECT_EQ(ReadColorFrame(), 0);
    EXPECT_EQ(ReadColorFrame(), 0);
    EndCapture();
}

}  // namespace
}  // namespace zentdrv::testing
