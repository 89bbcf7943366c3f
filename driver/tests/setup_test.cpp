// InitEvCam, the configuration setters and getters, and the bitmap and row helpers.
#include <algorithm>
#include <array>

#include "driver_fixture.h"
#include "zenthue.h"

namespace zentdrv::testing {
namespace {

using CameraSetup = DriverTest;

TEST_F(CameraSetup, InitEvCamStatusCodes) {
    auto dev = attach();
    SetHWInterface(4, 0, 0, -1, 0, 1);
    // No buffers yet: status 3 after the full sleep; the device is never touched.
    EXPECT_EQ(InitEvCam(), 3);
    EXPECT_EQ(clock.totalSleptMs(), 2500u);
    StartToCapture();
    EXPECT_EQ(driverState().initStatus, -1);
    SetImageInfo(640, 480, 3, 0);
    EXPECT_EQ(InitEvCam(), 2);
    EXPECT_EQ(dev->registerReads + dev->writes.size(), 0u);

    SetImageInfo(512, 512, 3, 0);
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(dev->controlBytes(), (std::vector<uint8_t>{0x09, 0x09, 0x03, 0x00}));
    EXPECT_EQ(driverState().currentGeometry, kGeometry320);

    // No camera, then a refused mode byte: status 1; a working camera gives 0 again.
    platform::detachUsbDevice(0);
    EXPECT_EQ(InitEvCam(), 1);
    dev = attach();
    dev->failWriteAt = 3;
    EXPECT_EQ(InitEvCam(), 1);
    EXPECT_EQ(driverState().initStatus, 1);
    dev->failWriteAt = 0;
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(clock.totalSleptMs(), 6u * 2500u);

    // Another interface type opens nothing, succeeds, and so do the reads.
    const size_t calls = dev->registerReads + dev->writes.size();
    SetHWInterface(1, 0, 0, -1, 0, -1);
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(ReadColorFrame(), 1);
    EXPECT_EQ(dev->registerReads + dev->writes.size(), calls);
}

TEST_F(CameraSetup, ReopeningAfterANewStartToCaptureClosesTheOldDevice) {
    attach();
    StartToCapture();
    SetHWInterface(4, 0, 0, -1, 0, 1);
    ASSERT_EQ(InitEvCam(), 0);
    const HANDLE first = driverState().deviceHandle;
    StartToCapture();
    ASSERT_EQ(InitEvCam(), 0);
    EXPECT_FALSE(CloseHandle(first));  // already closed by the driver
}

TEST_F(CameraSetup, HwInterfaceKeepValuesLevelClampAndModeTable) {
    SetHWInterface(4, 0x378, 9, 100, 9, 1);
    SetHWInterface(-1, 1, 2, 300, 3, -1);
    const HwInterfaceSettings hw = GetHWInterface();
    EXPECT_EQ(hw.interfaceType, 4);
    EXPECT_EQ(hw.level, 255);
    EXPECT_EQ(hw.modeCode, 1);
    SetHWInterface(-1, 0, 0, -5, 0, -1);
    EXPECT_EQ(GetHWInterface().level, 0);

    // Modes 3 to 6 keep the geometry of the live mode before them; unknown codes act as 0.
    for (auto [code, expected, geometry] : std::vector<std::array<int, 3>>{{1, 1, 1},
                                                                           {3, 3, 1},
                                                                           {6, 6, 1},
                                                                           {0, 0, 0},
                                                                           {4, 4, 0},
                                                                           {5, 5, 0},
                                                                           {2, 2, 2},
                                                                           {3, 3, 2},
                                                                           {7, 0, 0},
                                                                           {-9, 0, 0}}) {
        SetHWInterface(-1, 0, 0, -1, 0, code);
        EXPECT_EQ(GetHWInterface().modeCode, expected) << code;
        EXPECT_EQ(driverState().requestedGeometry, geometry) << code;
    }
    const HwInterfaceSettings port = SearchPPort();
    EXPECT_EQ(port.interfaceType, 4);
    EXPECT_EQ(port.modeCode + port.level, 0);

    SetDeviceInfo(0x1D5C, 0x0A15);
    SetDeviceInfo(-1, 7);
    EXPECT_EQ(GetDeviceInfo().vendorId, 0x1D5C);
    EXPECT_EQ(GetDeviceInfo().productId, 7);
    SetImageInfo(320, 240, 3, 0);
    SetImageInfo(-1, -1, 0, 1);
    int info[4] = {};
    EXPECT_EQ(GetImageInfo(info), info);
    EXPECT_EQ(std::vector<int>(info, info + 4), (std::vector<int>{320, 240, 3, 1}));
}

TEST_F(CameraSetup, ImgHandleAlignsWidthAndRefusesEmptyOrNegativeSizes) {
    HGLOBAL h = GetImgHandle(321, 240, 3);
    ASSERT_NE(h, nullptr);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(h));
    const BITMAPINFOHEADER want{40, 324, 240, 1, 24, 0, 233280, 0, 0, 0, 0};
    EXPECT_EQ(std::memcmp(header, &want, sizeof want), 0);
    EXPECT_EQ(GlobalSize(h), 233280u + 40u);
    GlobalUnlock(h);
    GlobalFree(h);
    EXPECT_EQ(GetImgHandle(0, 0, 3), nullptr);
    EXPECT_EQ(GetImgHandle(-8, 10, 3), nullptr);
    EXPECT_EQ(GetImgHandle(8, -10, 1), nullptr);
    EXPECT_EQ(GetZent15Ver(), 256);
}

TEST_F(CameraSetup, ImgMemoryPlacesRowsAndRefusesTallImages) {
    StartToCapture();
    std::vector<BYTE> pixels(320 * 120);
    BITMAPINFOHEADER header{40, 160, 120, 1, 16, 0, 0, 0, 0, 0, 0};
    SetImgMemory(pixels.data(), &header);
    const DriverState& s = driverState();
    for (int r : {0, 1, 119}) EXPECT_EQ(s.outputRows[r], pixels.data() + 320 * r);
    // Row offsets are a running bit total truncated to bytes: 3-pixel 4-bit rows at 0, 1, 3.
    BITMAPINFOHEADER narrow{40, 3, 4, 1, 4, 0, 0, 0, 0, 0, 0};
    SetImgMemory(pixels.data(), &narrow);
    EXPECT_EQ(s.outputRows[2], pixels.data() + 3);

    SetImgMemory(pixels.data(), &header);
    BITMAPINFOHEADER tall{40, 8, 1025, 1, 8, 0, 0, 0, 0, 0, 0};
    SetImgMemory(pixels.data() + 1, &tall);
    EXPECT_EQ(s.outputRows[1], pixels.data() + 320);
    EXPECT_EQ(s.outputRowCount, 120);
}

// A host that describes its picture before SetImageInfo, or that gave zenthue descending rows,
// still gets the colour frame inside its picture and nothing written around it.
TEST_F(CameraSetup, ImgMemoryRunsTheEngineRowsUpTheCallersPicture) {
    StartToCapture();
    SetHWInterface(0, 0, 0, -1, 0, 1);  // no camera: the read converts the work image
    SetImageFormat(2, 0, 0);
    constexpr long kBytes = 320 * 240 * 3;
    std::vector<BYTE> area(3 * kBytes, 0xAB);
    BYTE* pixels = area.data() + kBytes;
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(SetImgMemory(pixels, &header), 1);
    SetImageInfo(320, 240, 3, 0);
    SetColorInfo(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    ASSERT_EQ(InitEvCam(), 0);
    ASSERT_EQ(ReadColorFrame(), 1);
    EXPECT_EQ(std::count(area.begin(), area.begin() + kBytes, 0xAB), kBytes);
    EXPECT_EQ(std::count(pixels + kBytes, pixels + 2 * kBytes, 0xAB), kBytes);
    EXPECT_EQ(std::count(pixels, pixels + kBytes, 0xAB), 0);
}

}  // namespace
}  // namespace zentdrv::testing
