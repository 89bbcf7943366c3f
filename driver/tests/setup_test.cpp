// InitEvCam, the configuration setters and getters, and the bitmap and row helpers.
#include "driver_fixture.h"

namespace zentdrv::testing {
namespace {

using CameraSetup = DriverTest;

TEST_F(CameraSetup, InitEvCamStatusCodes) {
    auto dev = attach();
    SetHWInterface(4, 0, 0, -1, 0, 1);

    // No buffers yet: status 3 after the full sleep, and the device is never touched.
    EXPECT_EQ(InitEvCam(), 3);
    EXPECT_EQ(clock.totalSleptMs(), 2500u);
    EXPECT_EQ(dev->registerReads + dev->writes.size(), 0u);
    EXPECT_EQ(driverState().initStatus, 3);

    StartToCapture();
    EXPECT_EQ(driverState().initStatus, -1);
    SetImageInfo(640, 480, 3, 0);
    EXPECT_EQ(InitEvCam(), 2);
    EXPECT_EQ(dev->registerReads + dev->writes.size(), 0u);

    SetImageInfo(512, 512, 3, 0);
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(dev->controlBytes(), (std::vector<uint8_t>{0x09, 0x09, 0x03, 0x00}));
    EXPECT_EQ(driverState().currentGeometry, kGeometry320);

    // Camera gone: status 1; the next InitEvCam with the camera back succeeds again.
    platform::detachUsbDevice(0);
    EXPECT_EQ(InitEvCam(), 1);
    dev = attach();
    dev->failWriteAt = 3;  // the mode byte is refused
    EXPECT_EQ(InitEvCam(), 1);
    dev->failWriteAt = 0;
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(clock.totalSleptMs(), 6u * 2500u);
}

TEST_F(CameraSetup, InitEvCamWithOtherInterfaceOpensNothingAndSucceeds) {
    auto dev = attach();
    StartToCapture();
    SetHWInterface(1, 0, 0, -1, 0, 1);
    EXPECT_EQ(InitEvCam(), 0);
    EXPECT_EQ(dev->registerReads + dev->writes.size() + dev->descriptorRequests, 0u);
    EXPECT_EQ(ReadColorFrame(), 1);
    EXPECT_EQ(ReadRawFrame(), 1);
}

TEST_F(CameraSetup, HwInterfaceKeepValuesLevelClampAndModeTable) {
    SetHWInterface(4, 0x378, 9, 100, 9, 1);
    SetHWInterface(-1, 1, 2, 300, 3, -1);
    HwInterfaceSettings hw = GetHWInterface();
    EXPECT_EQ(hw.interfaceType, 4);
    EXPECT_EQ(hw.level, 255);
    EXPECT_EQ(hw.modeCode, 1);
    SetHWInterface(-1, 0, 0, -5, 0, -1);
    EXPECT_EQ(GetHWInterface().level, 0);
    SetHWInterface(-1, 0, 0, -1, 0, -1);
    EXPECT_EQ(GetHWInterface().level, 0);

    struct Case {
        int code, expectedCode, geometry;
    };
    // Modes 3 to 6 keep the geometry of the live mode before them; unknown codes act as 0.
    for (const Case& c :
         {Case{1, 1, 1}, Case{3, 3, 1}, Case{6, 6, 1}, Case{0, 0, 0}, Case{4, 4, 0}, Case{5, 5, 0},
          Case{2, 2, 2}, Case{3, 3, 2}, Case{7, 0, 0}, Case{-9, 0, 0}}) {
        SetHWInterface(-1, 0, 0, -1, 0, c.code);
        EXPECT_EQ(GetHWInterface().modeCode, c.expectedCode) << c.code;
        EXPECT_EQ(driverState().requestedGeometry, c.geometry) << c.code;
    }
    const HwInterfaceSettings port = SearchPPort();
    EXPECT_EQ(port.interfaceType, 4);
    EXPECT_EQ(port.modeCode + port.level + port.portAddress, 0);
}

TEST_F(CameraSetup, DeviceAndImageInfoKeepValues) {
    SetDeviceInfo(0x1D5C, 0x0A15);
    SetDeviceInfo(-1, 7);
    EXPECT_EQ(GetDeviceInfo().vendorId, 0x1D5C);
    EXPECT_EQ(GetDeviceInfo().productId, 7);

    SetImageInfo(320, 240, 3, 0);
    SetImageInfo(-1, -1, 0, 1);
    int info[4] = {};
    EXPECT_EQ(GetImageInfo(info), info);
    EXPECT_EQ(info[0], 320);
    EXPECT_EQ(info[1], 240);
    EXPECT_EQ(info[2], 3);
    EXPECT_EQ(info[3], 1);
}

TEST_F(CameraSetup, ImgHandleAlignsWidthAndRefusesEmptyOrNegativeSizes) {
    HGLOBAL h = GetImgHandle(321, 240, 3);
    ASSERT_NE(h, nullptr);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(h));
    EXPECT_EQ(header->biSize, 40u);
    EXPECT_EQ(header->biWidth, 324);
    EXPECT_EQ(header->biHeight, 240);
    EXPECT_EQ(header->biPlanes, 1);
    EXPECT_EQ(header->biBitCount, 24);
    EXPECT_EQ(header->biSizeImage, 233280u);
    EXPECT_EQ(GlobalSize(h), 233280u + 40u);
    GlobalUnlock(h);
    GlobalFree(h);

    h = GetImgHandle(160, 120, 2);
    header = static_cast<BITMAPINFOHEADER*>(GlobalLock(h));
    EXPECT_EQ(header->biBitCount, 16);
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
    EXPECT_EQ(s.outputRows[1], pixels.data() + 1);
    EXPECT_EQ(s.outputRows[2], pixels.data() + 3);

    SetImgMemory(pixels.data(), &header);
    BITMAPINFOHEADER tall{40, 8, 1025, 1, 8, 0, 0, 0, 0, 0, 0};
    SetImgMemory(pixels.data() + 1, &tall);
    EXPECT_EQ(s.outputRows[1], pixels.data() + 320);
    EXPECT_EQ(s.outputRowCount, 120);
}

}  // namespace
}  // namespace zentdrv::testing
