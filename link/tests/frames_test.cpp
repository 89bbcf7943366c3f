#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "link_fixture.h"
#include "pack555.h"

namespace {

ImageInfo driverImageInfo() {
    ImageInfo info{};
    GetImageInfo(&info.width);
    return info;
}

uint16_t wordAt(const std::vector<BYTE>& buffer, size_t pixel) {
    return static_cast<uint16_t>(buffer[2 * pixel] | (buffer[2 * pixel + 1] << 8));
}

}  // namespace

TEST_F(LinkTest, SixteenBitGrayFramesAtThreeTwentyByTwoForty) {
    ASSERT_EQ(AttachDevice(0, 0, 4, 0, 0), 1);
    SetImgBuf(320, 240, 1, 1, 0);
    EXPECT_EQ(state().frameHeader.biBitCount, 16);
    const ImageInfo info = driverImageInfo();
    EXPECT_EQ(info.width * info.height, 320 * 240);
    EXPECT_EQ(info.displayType, 2);

    std::vector<BYTE> frame(320 * 240 * 2);
    ASSERT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(camera->mode(), 1);
    std::set<uint16_t> levels;
    for (size_t i = 0; i < 320 * 240; ++i) {
        const uint16_t w = wordAt(frame, i);
        ASSERT_EQ(w, (w & 0x1F) * 0x0421);  // equal 5-bit channels, bit 15 clear
        levels.insert(w);
    }
    EXPECT_GT(levels.size(), 4u);  // a picture, not a flat fill
}

TEST_F(LinkTest, HostSizeMismatchGivesTwentyFourBitsAndRefusesEveryRead) {
    attachLive(1, 1);
    SetImgBuf(320, 200, 1, 1, 0);
    EXPECT_EQ(state().frameHeader.biBitCount, 24);
    EXPECT_EQ(driverImageInfo().displayType, 3);

    std::vector<BYTE> frame(320 * 240 * 3, 0xAB);
    const uint64_t bulkBefore = camera->counters().bulkReads;
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(camera->counters().bulkReads, bulkBefore);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xAB), std::ssize(frame));
}

TEST_F(LinkTest, FrameTypesChooseGeometryAndModeButNeverTheEraseMode) {
    ASSERT_EQ(AttachDevice(1, 0, 4, 0, 0), 1);
    SetImgBuf(1, 1, 0, 3, 0);  // type 3 counts as type 0
    EXPECT_EQ(state().linkFrameWidth * state().linkFrameHeight, 160 * 120);
    EXPECT_EQ(GetHWInterface().modeCode, 0);

    SetImgBuf(512, 384, 1, 5, 0);  // other types: 512 x 384, the type as the mode code
    EXPECT_EQ(state().linkFrameWidth * state().linkFrameHeight, 512 * 384);
    EXPECT_EQ(state().frameHeader.biBitCount, 16);
    EXPECT_EQ(GetHWInterface().modeCode, 5);

    SetImgBuf(160, 120, 0, 0, 0);
    SetImgBuf(512, 384, 0, 2, 0);  // type 2 keeps the mode: the erase mode would wipe the store
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    clock.advance(1000);
    std::vector<BYTE> frame(512 * 384 * 3);
    ReadRawData(frame.data(), 0, 0, 0, 0);  // reopens the camera
    EXPECT_EQ(camera->mode(), 0);
    EXPECT_GT(camera->countedItems(), 0);
}

TEST_F(LinkTest, IdleReinitialisationAfterOneSecondAlsoAcrossTheTickWrap) {
    // The second pass attaches 300 ms before the 32-bit tick wraps.
    for (uint64_t attachAt : {uint64_t{2'000'000}, (uint64_t{1} << 32) - 300}) {
        clock.advance(attachAt - kInitSleepMs - clock.nowMs());
        attachLive(0, 0);
        ASSERT_EQ(state().lastTick, static_cast<DWORD>(attachAt));
        std::vector<BYTE> frame(160 * 120 * 3);

        clock.advance(999);
        uint64_t before = slept();
        EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
        EXPECT_EQ(slept(), before);

        clock.advance(1000);
        before = slept();
        EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
        EXPECT_EQ(slept() - before, kInitSleepMs);
        EXPECT_EQ(state().lastTick, GetTickCount());
    }
}

TEST_F(LinkTest, BadCallsReturnZeroAndTouchNothing) {
    std::vector<BYTE> frame(160 * 120 * 3, 0xAB);
    SetImgBuf(160, 120, 0, 0, 0);  // before AttachDevice, a frame set-up alone is not enough
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 0);

    state() = zentlink::LinkState{};
    ASSERT_EQ(AttachDevice(0, 0, 4, 0, 0), 1);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);  // before SetImgBuf
    SetImgBuf(160, 120, 0, 0, 0);
    EXPECT_EQ(ReadRawData(nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(nullptr, 0, 0, 0, 0), 0);

    DetachDevice(0, 0, 0, 0, 0);
    clock.advance(5000);  // past the idle second: still no reinitialisation
    const uint64_t before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(slept(), before);
    EXPECT_EQ(camera->counters().bulkReads, 0u);
    EXPECT_EQ(std::count(frame.begin(), frame.end(), 0xAB), std::ssize(frame));
}

TEST_F(LinkTest, SixteenBitColourFramesArriveAsFiveFiveFiveWords) {
    // The packing: gray levels as the driver's 16-bit gray, (v >> 3) * 0x0421; blue, green and
    // red bytes to bits 0-4, 5-9 and 10-14; rows packed without gaps.
    std::vector<BYTE> gray(256 * 3), words(256 * 2);
    for (int v = 0; v < 256; ++v) std::fill_n(&gray[3 * v], 3, static_cast<BYTE>(v));
    zentlink::packRows555(gray.data(), words.data(), 128, 2);
    for (int v = 0; v < 256; ++v) ASSERT_EQ(wordAt(words, v), (v >> 3) * 0x0421) << v;
    const std::vector<BYTE> pixels = {0xFF, 0x00, 0x00, 0x08, 0x10, 0xF8};
    zentlink::packRows555(pixels.data(), words.data(), 1, 2);
    EXPECT_EQ(wordAt(words, 0), 0x001F);
    EXPECT_EQ(wordAt(words, 1), (0x1F << 10) | (2 << 5) | 1);

    // A read converts the colour frame that the driver wrote into the preview image.
    attachLive(1, 1);
    SetRGBYGamma(32, 32, 32, 32, 100);
    std::vector<BYTE> frame(320 * 240 * 2);
    ASSERT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
    std::vector<BYTE> expected(frame.size());
    zentlink::packRows555(state().previewPixels, expected.data(), 320, 240);
    EXPECT_EQ(frame, expected);
    std::set<uint16_t> colours;
    for (size_t i = 0; i < 320 * 240; ++i) colours.insert(wordAt(frame, i) & 0x7FFF);
    EXPECT_GT(colours.size(), 4u);

    // A failed transfer leaves the host's buffer as it was.
    const std::vector<BYTE> kept = frame;
    camera->vanish();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(frame, kept);
}

TEST_F(LinkTest, NoiseFrameCaptureRestoresTheMode) {
    attachLive(0, 0);
    const uint64_t framesBefore = camera->counters().framesStarted;
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 1);
    // One frame before, eight for the noise frame in mode 6, one after, back in mode 0.
    EXPECT_GE(camera->counters().framesStarted - framesBefore, 10u);
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    EXPECT_EQ(camera->mode(), 0);
    std::vector<BYTE> frame(160 * 120 * 3);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
}
