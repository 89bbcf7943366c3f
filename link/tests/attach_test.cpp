#include <gtest/gtest.h>

#include "link_fixture.h"

TEST_F(LinkTest, AttachSetsTheInterfaceRecordAndOpensTheCamera) {
    EXPECT_EQ(AttachDevice(1, 0, 4, 0, 0), 1);
    const zentlink::LinkState& s = state();
    EXPECT_EQ(s.cameraReady, 1);
    EXPECT_EQ(s.linkHw.interfaceType, 4);
    EXPECT_EQ(s.linkHw.portAddress, 888);
    EXPECT_EQ(s.linkHw.reserved3, 1);
    EXPECT_EQ(s.linkHw.level, 120);
    EXPECT_EQ(s.linkHw.reserved5, 1);
    EXPECT_EQ(s.linkHw.modeCode, 1);
    EXPECT_EQ(s.lastTick, GetTickCount());
    EXPECT_EQ(camera->mode(), 1);

    const HwInterfaceSettings hw = GetHWInterface();
    EXPECT_EQ(hw.interfaceType, 4);
    EXPECT_EQ(hw.level, 120);
    EXPECT_EQ(hw.modeCode, 1);

    // The preview image: a locked 512 x 384 x 24 packed bitmap, pixels right after the header.
    ASSERT_NE(s.previewImage, nullptr);
    ASSERT_NE(s.previewHeader, nullptr);
    EXPECT_EQ(s.previewHeader->biWidth, 512);
    EXPECT_EQ(s.previewHeader->biHeight, 384);
    EXPECT_EQ(s.previewHeader->biBitCount, 24);
    EXPECT_EQ(s.previewPixels, reinterpret_cast<BYTE*>(s.previewHeader) + 40);
}

TEST_F(LinkTest, AttachPortAddressByInterfaceType) {
    // Types 0 and 1 take SearchPPort's record (port address 0); any other type gets 888.
    for (int type : {0, 1}) {
        state().linkHw.portAddress = 1234;
        AttachDevice(1, 0, type, 0, 0);
        EXPECT_EQ(state().linkHw.portAddress, 0) << "type " << type;
        EXPECT_EQ(state().linkHw.interfaceType, type);
        EXPECT_EQ(state().linkHw.level, 120);
        DetachDevice(0, 0, 0, 0, 0);
    }
    AttachDevice(1, 0, 2, 0, 0);
    EXPECT_EQ(state().linkHw.portAddress, 888);
    EXPECT_EQ(state().linkHw.interfaceType, 2);
}

TEST_F(LinkTest, AttachModeThreeOpensInModeZero) {
    EXPECT_EQ(AttachDevice(3, 0, 4, 0, 0), 1);
    EXPECT_EQ(state().linkHw.modeCode, 0);
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    EXPECT_EQ(camera->mode(), 0);
}

TEST_F(LinkTest, AttachWithoutCameraStaysUsableAndALaterReadRetries) {
    platform::detachUsbDevice(0);
    EXPECT_EQ(AttachDevice(1, 0, 4, 0, 0), 0);
    EXPECT_EQ(state().cameraReady, 0);
    EXPECT_NE(state().previewImage, nullptr);

    SetImgBuf(320, 240, 0, 1, 0);
    std::vector<BYTE> frame(320 * 240 * 3);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);  // within the second: no retry

    // The camera is plugged in; after a second of idleness the read reopens it.
    platform::attachUsbDevice(0, camera);
    clock.advance(1000);
    const uint64_t before = slept();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, kInitSleepMs);
    EXPECT_EQ(state().cameraReady, 1);
}

TEST_F(LinkTest, SecondAttachFreesTheFirstPreviewImage) {
    AttachDevice(1, 0, 4, 0, 0);
    HGLOBAL first = state().previewImage;
    ASSERT_GT(GlobalSize(first), 0u);
    AttachDevice(1, 0, 4, 0, 0);
    EXPECT_EQ(GlobalSize(first), 0u);  // freed: the handle is no longer known
    EXPECT_NE(state().previewImage, nullptr);
}

TEST_F(LinkTest, DetachReleasesEverythingAndIsRepeatable) {
    AttachDevice(1, 0, 4, 0, 0);
    HGLOBAL preview = state().previewImage;
    EXPECT_EQ(DetachDevice(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(GlobalSize(preview), 0u);
    EXPECT_EQ(state().previewImage, nullptr);
    EXPECT_EQ(state().previewPixels, nullptr);
    EXPECT_EQ(DetachDevice(0, 0, 0, 0, 0), 1);
}

TEST_F(LinkTest, InterfaceSettersPassTheWholeRecord) {
    AttachDevice(1, 0, 4, 0, 0);
    SetCamera(300, 0, 0, 0, 0);
    EXPECT_EQ(state().linkHw.level, 300);
    EXPECT_EQ(GetHWInterface().level, 255);  // the driver clamps
    EXPECT_EQ(GetHWInterface().modeCode, 1);

    SetPPort(0x278, 4, 0, 0, 0);
    EXPECT_EQ(state().linkHw.portAddress, 0x278);
    EXPECT_EQ(state().linkHw.interfaceType, 4);
    EXPECT_EQ(GetHWInterface().level, 255);  // the held level goes with every change
}
