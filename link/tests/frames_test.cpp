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

TEST_F(LinkTest, SixteenBitSetUpAtThreeTwentyByTwoForty) {
    ASSERT_EQ(AttachDevice(0, 0, 4, 0, 0), 1);
    SetImgBuf(320, 240, 1, 1, 0);
    EXPECT_EQ(state().frameHeader.biWidth, 320);
    EXPECT_EQ(state().frameHeader.biHeight, 240);
    EXPECT_EQ(state().frameHeader.biBitCount, 16);
    const ImageInfo info = driverImageInfo();
    EXPECT_EQ(info.width, 320);
    EXPECT_EQ(info.height, 240);
    EXPECT_EQ(info.displayType, 2);
    EXPECT_EQ(GetHWInterface().modeCode, 1);

    // Gray 16-bit: every word has equal 5-bit channels and bit 15 clear.
    std::vector<BYTE> frame(320 * 240 * 2);
    ASSERT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(camera->mode(), 1);
    std::set<uint16_t> levels;
    for (size_t i = 0; i < 320 * 240; ++i) {
        const uint16_t w = wordAt(frame, i);
        ASSERT_EQ(w & 0x8000, 0);
        ASSERT_EQ(w & 0x1F, (w >> 5) & 0x1F);
        ASSERT_EQ(w & 0x1F, (w >> 10) & 0x1F);
        levels.insert(w);
    }
    EXPECT_GT(levels.size(), 4u);  // a picture, not a flat fill
}

TEST_F(LinkTest, HostSizeMismatchGivesTwentyFourBitsAndRefusesEveryRead) {
    attachLive(1, 1);
    SetImgBuf(320, 200, 1, 1, 0);
    EXPECT_EQ(state().frameHeader.biBitCount, 24);
    EXPECT_EQ(driverImageInfo().displayType, 3);
    EXPECT_EQ(driverImageInfo().height, 240);

    std::vector<BYTE> frame(320 * 240 * 3, 0xAB);
    const uint64_t bulkBefore = camera->counters().bulkReads;
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(camera->counters().bulkReads, bulkBefore);
    EXPECT_TRUE(std::all_of(frame.begin(), frame.end(), [](BYTE b) { return b == 0xAB; }));
}

TEST_F(LinkTest, FrameTypesChooseGeometryAndMode) {
    ASSERT_EQ(AttachDevice(1, 0, 4, 0, 0), 1);
    SetImgBuf(1, 1, 0, 3, 0);  // type 3 counts as type 0
    EXPECT_EQ(state().linkFrameWidth, 160);
    EXPECT_EQ(state().linkFrameHeight, 120);
    EXPECT_EQ(state().linkHw.modeCode, 0);
    EXPECT_EQ(GetHWInterface().modeCode, 0);

    SetImgBuf(512, 384, 1, 5, 0);  // other types: 512 x 384, the type as the mode code
    EXPECT_EQ(state().linkFrameWidth, 512);
    EXPECT_EQ(state().linkFrameHeight, 384);
    EXPECT_EQ(state().frameHeader.biBitCount, 16);
    EXPECT_EQ(GetHWInterface().modeCode, 5);

    // Type 2 would select the erase mode: the mode stays as it was.
    SetImgBuf(160, 120, 0, 0, 0);
    SetImgBuf(512, 384, 0, 2, 0);
    EXPECT_EQ(state().linkFrameWidth, 512);
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    clock.advance(1000);
    std::vector<BYTE> frame(512 * 384 * 3);
    ReadRawData(frame.data(), 0, 0, 0, 0);  // reopens the camera
    EXPECT_NE(camera->mode(), 2);
    EXPECT_GT(camera->countedItems(), 0);  // the store is intact
}

TEST_F(LinkTest, IdleReinitialisationAfterOneSecond) {
    attachLive(0, 0);
    std::vector<BYTE> frame(160 * 120 * 3);
    uint64_t before = slept();
    clock.advance(999);
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, 0u);

    clock.advance(1000);
    before = slept();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, kInitSleepMs);
    EXPECT_EQ(state().lastTick, GetTickCount());
}

TEST_F(LinkTest, IdleTimeIsCountedAcrossTheTickWrap) {
    // The 32-bit tick wraps 300 ms after the attach.
    clock.advance((uint64_t{1} << 32) - kInitSleepMs - 300 - clock.nowMs());
    attachLive(0, 0);
    ASSERT_EQ(state().lastTick, 0xFFFFFFFFu - 299);
    std::vector<BYTE> frame(160 * 120 * 3);

    clock.advance(999);
    uint64_t before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, 0u);

    clock.advance(1000);
    before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, kInitSleepMs);
}

TEST_F(LinkTest, FailedReinitialisationIsRetriedByEveryRead) {
    attachLive(0, 0);
    std::vector<BYTE> frame(160 * 120 * 3);
    const DWORD attachTick = state().lastTick;
    camera->vanish();
    clock.advance(1000);
    uint64_t before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(slept() - before, kInitSleepMs);
    EXPECT_EQ(state().lastTick, attachTick);  // not updated: the next read retries at once

    camera->plugIn();
    before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 1);
    EXPECT_EQ(slept() - before, kInitSleepMs);
}

TEST_F(LinkTest, BadCallsReturnZeroAndTouchNothing) {
    std::vector<BYTE> frame(160 * 120 * 3, 0xAB);
    auto untouched = [&] {
        return std::all_of(frame.begin(), frame.end(), [](BYTE b) { return b == 0xAB; });
    };

    // Before AttachDevice (the frame set-up alone is not enough).
    SetImgBuf(160, 120, 0, 0, 0);
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 0);

    // Attached, but before SetImgBuf.
    state() = zentlink::LinkState{};
    ASSERT_EQ(AttachDevice(0, 0, 4, 0, 0), 1);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);

    // A null host buffer.
    SetImgBuf(160, 120, 0, 0, 0);
    EXPECT_EQ(ReadRawData(nullptr, 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(nullptr, 0, 0, 0, 0), 0);

    // After DetachDevice, even past the idle second.
    DetachDevice(0, 0, 0, 0, 0);
    clock.advance(5000);
    const uint64_t before = slept();
    EXPECT_EQ(ReadRawData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 0);
    EXPECT_EQ(slept(), before);
    EXPECT_TRUE(untouched());
    EXPECT_EQ(camera->counters().bulkReads, 0u);
}

TEST_F(LinkTest, SixteenBitColourReadDeliversFiveFiveFiveWords) {
    attachLive(1, 1);
    SetRGBYGamma(32, 32, 32, 32, 100);
    std::vector<BYTE> frame(320 * 240 * 2, 0xAB);
    ASSERT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);

    // The colour frame lands in the preview image at 24 bits and reaches the host packed.
    std::vector<BYTE> expected(320 * 240 * 2);
    zentlink::packRows555(state().previewPixels, expected.data(), 320, 240);
    EXPECT_EQ(frame, expected);
    std::set<uint16_t> colours;
    for (size_t i = 0; i < 320 * 240; ++i) {
        ASSERT_EQ(wordAt(frame, i) & 0x8000, 0);
        colours.insert(wordAt(frame, i));
    }
    EXPECT_GT(colours.size(), 4u);

    // A failed transfer leaves the host's buffer as it was.
    std::vector<BYTE> kept = frame;
    camera->vanish();
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 0);
    EXPECT_EQ(frame, kept);
}

TEST_F(LinkTest, PackingMatchesTheGrayWordsAndChannelBits) {
    // Gray levels pack exactly as the driver's 16-bit gray output: (v >> 3) * 0x0421.
    std::vector<BYTE> gray(256 * 3);
    for (int v = 0; v < 256; ++v) std::fill_n(&gray[3 * v], 3, static_cast<BYTE>(v));
    std::vector<BYTE> out(256 * 2);
    zentlink::packRows555(gray.data(), out.data(), 256, 1);
    for (int v = 0; v < 256; ++v) {
        ASSERT_EQ(out[2 * v] | (out[2 * v + 1] << 8), (v >> 3) * 0x0421) << v;
    }

    // Blue, green, red bytes go to bits 0-4, 5-9, 10-14; rows are packed without gaps.
    const BYTE pixels[6] = {0xFF, 0x00, 0x00, 0x08, 0x10, 0xF8};
    BYTE words[4] = {};
    zentlink::packRows555(pixels, words, 1, 2);
    EXPECT_EQ(words[0] | (words[1] << 8), 0x001F);
    EXPECT_EQ(words[2] | (words[3] << 8), (0x1F << 10) | (2 << 5) | 1);
}

TEST_F(LinkTest, NoiseFrameCaptureRestoresTheMode) {
    attachLive(0, 0);
    const uint64_t framesBefore = camera->counters().framesStarted;
    EXPECT_EQ(ReadFPNFrame(0, 0, 0, 0, 0), 1);
    EXPECT_EQ(state().linkHw.modeCode, 0);
    EXPECT_EQ(GetHWInterface().modeCode, 0);
    EXPECT_EQ(camera->mode(), 0);
    // One frame before, eight for the noise capture, one after.
    EXPECT_GE(camera->counters().framesStarted - framesBefore, 10u);

    // The preview image still describes itself: later reads go to the host again.
    EXPECT_EQ(state().previewHeader->biWidth, 512);
    std::vector<BYTE> frame(160 * 120 * 3);
    EXPECT_EQ(ReadColorData(frame.data(), 0, 0, 0, 0), 1);
}
