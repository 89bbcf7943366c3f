// Capturing and averaging the noise frame, the row repair and the live subtraction rule.
#include <array>

#include "driver_fixture.h"

namespace zentdrv::testing {
namespace {

using NoiseRule = DriverTest;

TEST_F(NoiseRule, SubtractionClipsAtZeroAndTheCeiling) {
    DriverState& s = driverState();
    s.levelOffset = 200;
    s.clipCeiling = 255;
    std::array<BYTE, 8> frame{250, 240, 0, 5, 100, 1, 2, 3};
    std::array<BYTE, 8> noise{40, 40, 60, 60, 10, 0, 0, 0};
    BYTE* frameRow[1] = {frame.data()};
    BYTE* noiseRow[1] = {noise.data()};
    const RowView f{frameRow, 8, 1, 8};
    const RowView n{noiseRow, 8, 1, 8};
    SubtractNoise(f, n, 5, 1);  // only the first 4 * (5 / 4) samples
    EXPECT_EQ(frame, (std::array<BYTE, 8>{0, 0, 255, 255, 100, 1, 2, 3}));
    s.clipCeiling = 150;
    frame = {0, 50, 51, 52};
    noise.fill(0);
    SubtractNoise(f, n, 4, 1);
    EXPECT_EQ(frame, (std::array<BYTE, 8>{150, 150, 149, 148}));
}

class NoiseCapture : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        dev = attach();
        StartToCapture();
        SetHWInterface(4, 0, 0, -1, 0, 1);
        SetImageInfo(320, 240, 1, 0);
        ASSERT_EQ(InitEvCam(), 0);
        SetHWInterface(-1, 0, 0, -1, 0, 6);
    }
    static BYTE noise(int row, int column) { return driverState().noiseRows[row][column]; }
    std::shared_ptr<ScriptedDevice> dev;
};

TEST_F(NoiseCapture, EightTransfersWithHalvingWeightsAndRowRepair) {
    // Frame 2 (the second unprocessed capture) carries its row number, frame 7 (the last pass)
    // 200, every other frame 0.
    dev->byteAt = [](uint64_t frame, uint64_t offset) -> uint8_t {
        return frame == 2 ? (offset / 320) % 200 : frame == 7 ? 200 : 0;
    };
    const uint64_t before = dev->frames;
    EXPECT_EQ(ReInitFPN(), 1);
    EXPECT_EQ(dev->frames - before, 8u);
    // Each pass halves with truncation: the start weighs 1/32, the last pass 1/2.
    for (int row : {0, 31, 64, 100, 190, 239}) {
        EXPECT_EQ(noise(row, 0), ((row % 200) >> 5) + 100) << row;
        EXPECT_EQ(noise(row, 319), ((row % 200) >> 5) + 100) << row;
    }
    EXPECT_EQ(noise(192, 10), (191 >> 5) + 100);  // rows 192 to 194 from rows 191 and 195
    EXPECT_EQ(noise(193, 10), noise(195, 10));
    EXPECT_EQ(noise(194, 10), noise(195, 10));
    const DriverState& s = driverState();
    EXPECT_EQ(s.noiseMax, ((199 >> 4) + 200) >> 1);  // the largest value of any pass
    EXPECT_EQ(s.levelOffset, 255 - s.noiseMax);
    EXPECT_EQ(s.clipCeiling, 255);
}

TEST_F(NoiseCapture, FailedFirstReadOrNoUsbOnlyRepairsRows) {
    for (bool usb : {true, false}) {
        for (int c = 0; c < 512; ++c) {
            driverState().noiseRows[191][c] = 11;
            driverState().noiseRows[195][c] = 22;
            driverState().noiseRows[10][c] = 33;
        }
        dev->statusFails = usb;
        if (!usb) SetHWInterface(0, 0, 0, -1, 0, -1);
        const uint64_t reads = dev->registerReads;
        EXPECT_EQ(ReInitFPN(), usb ? 0 : 1);
        EXPECT_EQ(dev->bulkLengths.size(), 0u);
        EXPECT_EQ(dev->registerReads - reads, usb ? 1u : 0u);
        EXPECT_EQ(noise(192, 0), 11);
        EXPECT_EQ(noise(193, 319), 22);
        EXPECT_EQ(noise(194, 100), 22);
        EXPECT_EQ(noise(192, 320), 0);  // only imageWidth bytes are copied
        EXPECT_EQ(noise(10, 5), 33);
    }
    EXPECT_EQ(driverState().clipCeiling, 255);  // nothing averaged: full scale
}

TEST_F(NoiseCapture, ReadNoiseShowsOneUnprocessedFrame) {
    DriverState& s = driverState();
    s.levelOffset = 77;
    s.clipCeiling = 200;
    SetImageInfo(-1, -1, 3, -1);
    std::vector<BYTE> out(320 * 240 * 3);
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    SetImgMemory(out.data(), &header);
    dev->byteAt = [](uint64_t frame, uint64_t) { return static_cast<uint8_t>(40 + frame); };
    const uint64_t before = dev->frames;
    EXPECT_EQ(ReadNoise(), 1);
    EXPECT_EQ(dev->frames - before, 2u);
    const BYTE shown = static_cast<BYTE>(40 + before + 1);  // the second capture, as received
    EXPECT_EQ(noise(5, 5), shown);
    EXPECT_EQ(out[3 * (320 * 5 + 5)], shown);
    EXPECT_EQ((std::array{s.levelOffset, s.clipCeiling, s.noiseMax, s.noiseMin}),
              (std::array{77, 200, 0, 255}));

    SetImageInfo(-1, -1, 9, -1);  // no display kind: nothing is captured
    EXPECT_EQ(ReadNoise(), 1);
    EXPECT_EQ(dev->frames - before, 2u);
}

}  // namespace
}  // namespace zentdrv::testing
