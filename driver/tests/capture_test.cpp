// Working memory, complement, gray display kinds and the live read path without a camera.
#include <array>

#include "driver_fixture.h"

namespace zentdrv::testing {
namespace {

using Capture = DriverTest;

TEST_F(Capture, BlocksComeAndGo) {
    EXPECT_EQ(EndCapture(), 1);  // nothing held: harmless
    EXPECT_EQ(StartToCapture(), 1);
    EXPECT_EQ(StartToCapture(), 1);  // released first, then allocated anew
    const DriverState& s = driverState();
    EXPECT_EQ(s.workRows[767] - s.workRows[0], 767 * 3072);
    EXPECT_EQ(s.noiseRows[511] - s.noiseRows[0], 511 * 512);
    EXPECT_EQ(s.transferRows[511] - s.storeBase, 511 * 512);
    EXPECT_EQ(GlobalSize(s.storeHandle), 0x800000u);
    EXPECT_EQ(EndCapture(), 1);
    EXPECT_EQ(EndCapture(), 1);
    EXPECT_EQ(s.workBase, nullptr);
}

TEST_F(Capture, ComplementAndGrayDisplayKinds) {
    std::array<BYTE, 7> row{0, 1, 2, 3, 4, 5, 6};
    BYTE* rows[1] = {row.data()};
    ComplementFrame(RowView{rows, 7, 1, 7}, 7, 1);  // the last width mod 4 samples stay
    EXPECT_EQ(row, (std::array<BYTE, 7>{255, 254, 253, 252, 4, 5, 6}));

    std::array<BYTE, 4> src{255, 8, 7, 0};
    BYTE* srcRows[1] = {src.data()};
    std::array<BYTE, 12> out{};
    BITMAPINFOHEADER header{40, 4, 1, 1, 16, 0, 0, 0, 0, 0, 0};
    SetImgMemory(out.data(), &header);
    SetImageInfo(4, 1, 2, 0);
    GrayToDisplay(RowView{srcRows, 4, 1, 4}, OutputView(), 4, 1);
    EXPECT_EQ(out, (std::array<BYTE, 12>{0xFF, 0x7F, 0x21, 0x04, 0, 0, 0, 0}));

    header.biBitCount = 24;
    SetImgMemory(out.data(), &header);
    SetImageInfo(-1, -1, 3, -1);
    GrayToDisplay(RowView{srcRows, 4, 1, 4}, OutputView(), 4, 1);
    EXPECT_EQ(out, (std::array<BYTE, 12>{255, 255, 255, 8, 8, 8, 7, 7, 7, 0, 0, 0}));

    out.fill(0x55);
    SetImageInfo(-1, -1, 1, -1);
    GrayToDisplay(RowView{srcRows, 4, 1, 4}, OutputView(), 4, 1);
    EXPECT_EQ(out[0], 0x55);
}

TEST_F(Capture, GrayDisplayStopsAtTheOutputRows) {
    StartToCapture();
    SetImageInfo(320, 240, 3, 0);
    std::vector<BYTE> out(8 * 3 * 2 + 9, 0xAB);
    BITMAPINFOHEADER header{40, 8, 2, 1, 24, 0, 0, 0, 0, 0, 0};
    SetImgMemory(out.data(), &header);
    GrayToDisplay(WorkView(), OutputView(), 320, 240);
    EXPECT_EQ(out[47], 0);
    for (size_t i = 48; i < out.size(); ++i) EXPECT_EQ(out[i], 0xAB) << i;
}

TEST_F(Capture, ReadsWithoutUsbInterfaceOnlyReconvertTheWorkImage) {
    StartToCapture();
    SetHWInterface(0, 0, 0, -1, 0, 0);
    SetImageInfo(4, 1, 3, 0);
    std::array<BYTE, 12> out{};
    BITMAPINFOHEADER header{40, 4, 1, 1, 24, 0, 0, 0, 0, 0, 0};
    SetImgMemory(out.data(), &header);
    driverState().workRows[0][1] = 200;
    EXPECT_EQ(ReadRawFrame(), 1);
    EXPECT_EQ(out[4], 200);

    SetImageInfo(-1, -1, 1, -1);  // kind 1: the output stays as it was
    header.biBitCount = 8;
    SetImgMemory(out.data(), &header);
    out.fill(9);
    EXPECT_EQ(ReadRawFrame(), 1);
    EXPECT_EQ(out[1], 9);
}

TEST_F(Capture, ReadsWithTheCamera) {
    auto dev = attach();
    StartToCapture();
    SetHWInterface(4, 0, 0, -1, 0, 0);
    SetImageInfo(160, 120, 0, 0);
    ASSERT_EQ(InitEvCam(), 0);
    std::vector<BYTE> out(160 * 120, 0x33);
    BITMAPINFOHEADER header{40, 160, 120, 1, 8, 0, 0, 0, 0, 0, 0};
    SetImgMemory(out.data(), &header);

    // Display kind never set: the frame is read and complemented, the output is not written.
    EXPECT_EQ(ReadRawFrame(), 1);
    EXPECT_EQ(dev->bulkLengths.back(), 19200u);
    EXPECT_EQ(out[100], 0x33);
    EXPECT_EQ(driverState().workRows[0][0], 255);

    // Erase geometry: nothing is sent or read, and every frame read fails.
    SetHWInterface(-1, 0, 0, -1, 0, 2);
    ASSERT_EQ(InitEvCam(), 0);
    dev->writes.clear();
    const uint64_t reads = dev->registerReads;
    EXPECT_EQ(ReadRawFrame(), 0);
    EXPECT_EQ(ReadColorFrame(), 0);
    EXPECT_EQ(ReInitFPN(), 0);
    SetImageInfo(-1, -1, 1, -1);
    EXPECT_EQ(ReadNoise(), 0);
    EXPECT_EQ(dev->registerReads, reads);
    EXPECT_TRUE(dev->writes.empty());
}

}  // namespace
}  // namespace zentdrv::testing
