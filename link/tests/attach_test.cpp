#include <gtest/gtest.h>

#include "link_fixture.h"

TEST_F(LinkTest, AttachOpensTheCameraHoldsThePreviewAndDetachReleasesIt) {
    EXPECT_EQ(AttachDevice(1, 0, 4, 0, 0), 1);
    const zentlink::LinkState& s = state();
    EXPECT_EQ(s.cameraReady, 1);
    EXPECT_EQ(s.lastTick, GetTickCount());
    const HwInterfaceSettings& hw = s.linkHw;
    EXPECT_EQ(hw.interfaceType, 4);
    EXPECT_EQ(hw.portAddress, 888);
    EXPECT_EQ(hw.reserved3 + hw.reserved5, 2);
    EXPECT_EQ(GetHWInterface().level, 120);
    EXPECT_EQ(GetHWInterface().modeCode, 1);
    EXPECT_EQ(camera->mode(), 1);
    ASSERT_NE(s.previewHeader, nullptr);
    EXPECT_EQ(s.previewHeader->biWidth * s.previewHeader->biHeight, 512 * 384);
    EXPECT_EQ(s.previewHeader->biBitCount, 24);
    EXPECT_EQ(s.previewPixels, reinterpret_cast<BYTE*>(s.previewHeader) + 40);

    // Mode 3 opens in mode 0; attaching again frees the first preview image.
    HGLOBAL first = s.previewImage;
    EXPECT_EQ(AttachDevice(3, 0, 4, 0, 0), 1);
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    EXPECT_EQ(camera->mode(), 0);
    EXPECT_EQ(GlobalSize(first), 0u);

    HGLOBAL second = s.previewImage;
    EXPECT_EQ(DetachDevice(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(GlobalSize(second), 0u);
    EXPECT_EQ(s.previewPixels, nullptr);
    EXPECT_EQ(DetachDevice(0, 0, 0, 0, 0), 1);
}

TEST_F(LinkTest, PortAddressByInterfaceTypeAndWholeRecordSetters) {
    for (int type : {0, 1}) {  // SearchPPort's record: port address 0
        state().linkHw.portAddress = 1234;
        AttachDevice(1, 0, type, 0, 0);
        EXPECT_EQ(state().linkHw.portAddress, 0) << type;
        EXPECT_EQ(state().linkHw.interfaceType, type);
    }
    AttachDevice(1, 0, 2, 0, 0);
    EXPECT_EQ(state().linkHw.portAddress, 888);

    SetCamera(300, 0, 0, 0, 0);
    EXPECT_EQ(GetHWInterface().level, 255);  // clamped by the driver
    SetPPort(0x278, 4, 0, 0, 0);
    EXPECT_EQ(state().linkHw.portAddress, 0x278);
    EXPECT_EQ(GetHWInterface().interfaceType, 4);
    EXPECT_EQ(GetHWInterface().level, 255);  // the held level goes along with every change
    EXPECT_EQ(GetHWInterface().modeCode, 1);
}

TEST_F(LinkTest, InterfaceTypesThatOpenNoCameraReportNoFrames) {
    std::vector<BYTE> frame(320 * 240 * 3, 0xAB);
    for (int type : {0, 2}) {
        EXPECT_EQ(AttachDevice(1, 0, type, 0, 0), 0) << type;
        SetImgBuf(320, 240, 0, 1, 0);
        EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0) << type;
        EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0) << type;
        EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 0) << type;
        clock.advance(1000);  // the idle reinitialisation opens nothing either
        EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0) << type;
        EXPECT_EQ(frame[0], 0xAB);
    }
    // Switched to the USB camera after the attach, reads deliver again.
    SetPPort(888, 4, 0, 0, 0);
    clock.advance(1000);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
    DetachDevice(0, 0, 0, 0, 0);
}

TEST_F(LinkTest, AttachWithoutCameraStaysUsableAndReadsRetryAfterASecond) {
    platform::detachUsbDevice(0);
    EXPECT_EQ(AttachDevice(1, 0, 4, 0, 0), 0);
    EXPECT_NE(state().previewImage, nullptr);
    SetImgBuf(320, 240, 0, 1, 0);
    std::vector<BYTE> frame(320 * 240 * 3);
    const DWORD attachTick = state().lastTick;

    uint64_t before = slept();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);  // within the second: no retry
    EXPECT_EQ(slept(), before);

    // A failed reinitialisation keeps the old tick, so the next read tries again at once.
    clock.advance(1000);
    for (int attempt = 0; attempt < 2; ++attempt) {
        before = slept();
        EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
        EXPECT_EQ(slept() - before, kInitSleepMs);
        EXPECT_EQ(state().lastTick, attachTick);
    }

    platform::attachUsbDevice(0, camera);
    before = slept();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, kInitSleepMs);
    EXPECT_EQ(state().cameraReady, 1);
}
