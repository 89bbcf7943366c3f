// Pictures of stored items from a store block filled by the test, the stored-picture noise
// frame, and the choice of scaler.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "driver_fixture.h"
#include "store_table.h"
#include "zenthue.h"

namespace {

using namespace zentdrv;

class StoredPicture : public zentdrv::testing::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartToCapture();
        std::array<BYTE, 256> table{0x0F, 0x2F, 0x1F, 0x0F, 0x70};
        ParseImageTable(table.data(), st().itemWidth, st().itemHeight);
    }
    static DriverState& st() { return driverState(); }
    // Item 3 (320 x 240 at byte 96256) in wire form: even columns, then odd, complemented.
    static void storeItem3(int (*level)(int r, int c)) {
        BYTE* item = st().storeBase + 96256;
        for (int r = 0; r < 240; ++r)
            for (int c = 0; c < 320; ++c)
                item[320 * r + (c % 2) * 160 + c / 2] = static_cast<BYTE>(255 - level(r, c));
    }
};

TEST_F(StoredPicture, GrayPictureIsTheUnpackedItemWithBadPixelsRemoved) {
    storeItem3([](int r, int c) { return (r + 2 * c) % 200 + 20; });
    st().storeBase[96256 + 320 * 10 + 5] = 0;  // (10, 10) stuck bright
    SetImageInfo(-1, -1, 1, 0);
    std::vector<BYTE> out(320 * 240, 7);
    std::vector<BYTE*> rows(240);
    for (int r = 0; r < 240; ++r) rows[r] = out.data() + 320 * r;
    ASSERT_EQ(GetRawImage(rows.data(), nullptr, 3), 1);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c)
            ASSERT_EQ(rows[r][c], (r + 2 * c) % 200 + 20) << r << "," << c;

    // Entry 2 has no samples, entry 4 is the end mark, 300 is outside the table.
    std::fill(out.begin(), out.end(), 7);
    for (int entry : {2, 4, 300, -1}) EXPECT_EQ(GetRawImage(rows.data(), nullptr, entry), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 7), 320 * 240);
}

TEST_F(StoredPicture, ColorPictureProgramsTheEngineByTheStoredRecipe) {
    storeItem3([](int, int) { return 120; });
    std::vector<BYTE> out(320 * 240 * 3, 7);
    std::vector<BYTE*> rows(240);
    for (int r = 0; r < 240; ++r) rows[r] = out.data() + 960 * r;
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    ColorGainRecord engine{};

    // Mode 2: fixed recipe (tone gamma 0.8 on); the user's tone-gamma switch stays.
    SetColorInfo(32, 32, 32, 32, 2, 0.6f, 0.5f, 0, 0, 0, 0, 0);
    ASSERT_EQ(GetColorImage(rows.data(), &header, 3), 1);
    GetColorGain(&engine);
    EXPECT_EQ(engine.wbMode, 2);
    EXPECT_FLOAT_EQ(st().gamma2, 0.8f);
    EXPECT_EQ(st().engineToneGammaOn, 1);
    EXPECT_EQ(st().gamma2On, 0);

    // Other modes pass on: mode 1, the user's tone gamma and switch.
    SetColorInfo(32, 32, 32, 32, 1, -1.0f, 0.5f, 0, 1, 0, 0, 0);
    ASSERT_EQ(GetColorImage(rows.data(), &header, 3), 1);
    GetColorGain(&engine);
    EXPECT_EQ(engine.wbMode, 1);
    EXPECT_EQ(st().awbMode, 1);
    EXPECT_FLOAT_EQ(engine.toneGamma, 0.5f);
    EXPECT_EQ(engine.lumaGammaOn, 0);

    // A header that cannot hold the item: nothing is written.
    std::fill(out.begin(), out.end(), 7);
    BITMAPINFOHEADER small{40, 160, 120, 1, 24, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(GetColorImage(rows.data(), &small, 3), 0);
    EXPECT_EQ(GetColorImage(rows.data(), &header, 2), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 7), 320 * 240 * 3);
}

TEST_F(StoredPicture, NoiseFrameIsCentredAndThinnedForSmallPictures) {
    auto noise = [](int row, int col) { return static_cast<BYTE>((row * 7 + col * 3) % 251); };
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c) st().noiseRows[r][c] = noise(r, c);
    CentreNoiseFrame(st().noiseRows, 320, 240);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c) ASSERT_EQ(st().noiseRows[r + 72][c + 96], noise(r, c));

    for (int r = 0; r < 512; ++r)
        for (int c = 0; c < 512; ++c) st().noiseRows[r][c] = noise(r, c);
    st().levelOffset = 0;
    st().clipCeiling = 255;
    std::vector<BYTE> pic(320 * 240, 0);  // complemented level 255: the result is the noise
    std::vector<BYTE*> rows(240);
    for (int r = 0; r < 240; ++r) rows[r] = pic.data() + 320 * r;
    SubtractNoiseStored(rows.data(), st().noiseRows, 160, 120);
    const int within[4] = {0, 1, 4, 5};
    for (int r = 0; r < 120; ++r)
        for (int c = 0; c < 160; ++c)
            ASSERT_EQ(rows[r][c],
                      noise(72 + 4 * (r / 2) + r % 2, 96 + 8 * (c / 4) + within[c % 4]));

    std::fill(pic.begin(), pic.end(), 0);
    SubtractNoiseStored(rows.data(), st().noiseRows, 320, 240);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c) ASSERT_EQ(rows[r][c], noise(r + 72, c + 96));

    // Clipping: 10 - 0 + 250 reaches the ceiling 200; 10 - 255 + 0 goes below 0.
    st().levelOffset = 10;
    st().clipCeiling = 200;
    st().noiseRows[72][96] = 250;
    st().noiseRows[72][97] = 0;
    pic[0] = 0;
    pic[1] = 255;
    SubtractNoiseStored(rows.data(), st().noiseRows, 320, 240);
    EXPECT_EQ(pic[0], 200);
    EXPECT_EQ(pic[1], 0);
}

TEST_F(StoredPicture, DumpComplementsTheWholeStoreImage) {
    st().storeBase[0] = 0x00;
    st().storeBase[kStoreImageBytes - 1] = 200;
    std::vector<BYTE> out(kStoreImageBytes);  // exactly as large as promised
    DumpSDRAM(out.data());
    EXPECT_EQ(out[0], 0xFF);
    EXPECT_EQ(out[1], 0xFF);
    EXPECT_EQ(out[kStoreImageBytes - 1], 55);
}

TEST_F(StoredPicture, WithoutBlocksNothingIsReadOrWritten) {
    EndCapture();
    std::array<BYTE, 256> table{};
    EXPECT_EQ(DloadSDRAM_Header(table.data()), -1);
    EXPECT_EQ(table[255], 0x70);
    EXPECT_EQ(DloadSDRAM(), 0);
    std::vector<BYTE> out(16, 9);
    DumpSDRAM(out.data());
    BYTE* rows[1] = {out.data()};
    EXPECT_EQ(GetRawImage(rows, nullptr, 0), 0);
    EXPECT_EQ(std::count(out.begin(), out.end(), 9), 16);
}

TEST(ToRescaleImg, FineEnlargementOnlyForExactly512x384To640x480) {
    std::vector<BYTE> src(512 * 384 * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = static_cast<BYTE>((i * 37) ^ (i >> 9));
    std::vector<BYTE*> srcRows(384);
    for (int r = 0; r < 384; ++r) srcRows[r] = src.data() + 1536 * r;
    auto scaled = [&](int w, int h, auto scaler) {
        std::vector<BYTE> dst(static_cast<size_t>(w) * h * 3);
        std::vector<BYTE*> rows(h);
        for (int r = 0; r < h; ++r) rows[r] = dst.data() + 3 * w * r;
        scaler(srcRows.data(), rows.data(), 512, 384, w, h);
        return dst;
    };
    const auto viaDriver480 = scaled(640, 480, ToRescaleImg);
    EXPECT_EQ(viaDriver480, scaled(640, 480, FineEnlargeImg));
    EXPECT_NE(viaDriver480, scaled(640, 480, Rescalimg));
    EXPECT_EQ(scaled(640, 481, ToRescaleImg), scaled(640, 481, Rescalimg));
}

}  // namespace
