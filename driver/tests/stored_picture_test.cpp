// Pictures of stored items from a store block filled by the test, and the choice of scaler.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "driver_fixture.h"
#include "store_table.h"
#include "zenthue.h"

namespace {

using namespace zentdrv;

// A table of a 320 x 240, a 160 x 120 and a 0 x 0 item before item 3 (320 x 240, at byte
// 96256), whose samples the test writes in wire form.
class StoredPicture : public zentdrv::testing::DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartToCapture();
        std::array<BYTE, 256> table{0x0F, 0x2F, 0x1F, 0x0F, 0x70};
        ParseImageTable(table.data(), st().itemWidth, st().itemHeight);
        for (int r = 0; r < 240; ++r) rows[r] = out.data() + 960 * r;
    }
    static DriverState& st() { return driverState(); }
    template <typename Level>
    static void storeItem3(Level level) {
        BYTE* item = st().storeBase + 96256;
        for (int r = 0; r < 240; ++r)
            for (int c = 0; c < 320; ++c) item[320 * r + (c % 2) * 160 + c / 2] = 255 - level(r, c);
    }
    bool untouched() const { return std::count(out.begin(), out.end(), 7) == long(out.size()); }

    std::vector<BYTE> out = std::vector<BYTE>(320 * 240 * 3, 7);
    std::array<BYTE*, 240> rows{};
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
};

TEST_F(StoredPicture, GrayPictureIsTheUnpackedItemWithBadPixelsRemoved) {
    storeItem3([](int r, int c) { return (r + 2 * c) % 200 + 20; });
    st().storeBase[96256 + 320 * 10 + 5] = 0;  // sample (10, 10) stuck bright
    SetImageInfo(-1, -1, 3, 0);
    ASSERT_EQ(GetRawImage(rows.data(), nullptr, 3), 1);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c)
            ASSERT_EQ(rows[r][3 * c + 2], (r + 2 * c) % 200 + 20) << r << "," << c;

    std::fill(out.begin(), out.end(), 7);  // no samples, end mark, outside the table
    for (int entry : {2, 4, 300, -1}) EXPECT_EQ(GetRawImage(rows.data(), nullptr, entry), 0);
    EXPECT_TRUE(untouched());
}

TEST_F(StoredPicture, ColorPictureProgramsTheEngineByTheStoredRecipe) {
    storeItem3([](int, int) { return 120; });
    ColorGainRecord engine{};
    // Mode 2: the fixed recipe (tone gamma 0.8, on); the user's switch stays as it was.
    SetColorInfo(32, 32, 32, 32, 2, 0.6f, 0.5f, 0, 0, 0, 0, 0);
    ASSERT_EQ(GetColorImage(rows.data(), &header, 3), 1);
    EXPECT_EQ(GetColorGain(&engine)->wbMode, 2);
    EXPECT_EQ(std::tuple(st().gamma2, st().engineToneGammaOn, st().gamma2On),
              std::tuple(0.8f, 1, 0));
    // Any other mode is passed on with the user's gammas.
    SetColorInfo(32, 32, 32, 32, 1, -1.0f, 0.5f, 0, 1, 0, 0, 0);
    ASSERT_EQ(GetColorImage(rows.data(), &header, 3), 1);
    EXPECT_EQ(GetColorGain(&engine)->wbMode, 1);
    EXPECT_EQ(std::tuple(st().awbMode, engine.toneGamma), std::tuple(1, 0.5f));

    // A header too small for the item: nothing is written.
    std::fill(out.begin(), out.end(), 7);
    BITMAPINFOHEADER small{40, 160, 120, 1, 24, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(GetColorImage(rows.data(), &small, 3), 0);
    EXPECT_TRUE(untouched());
}

TEST_F(StoredPicture, DumpComplementsTheStoreAndNothingRunsWithoutBlocks) {
    st().storeBase[0] = 0x00;
    st().storeBase[kStoreImageBytes - 1] = 200;
    std::vector<BYTE> dump(kStoreImageBytes);  // exactly as large as promised
    DumpSDRAM(dump.data());
    EXPECT_EQ(std::tuple(dump[0], dump[kStoreImageBytes - 1]), std::tuple(0xFF, 55));

    EndCapture();
    std::array<BYTE, 256> table{};
    EXPECT_EQ(DloadSDRAM_Header(table.data()), -1);
    EXPECT_EQ(DloadSDRAM(), 0);
    DumpSDRAM(out.data());
    EXPECT_EQ(GetRawImage(rows.data(), nullptr, 0), 0);
    EXPECT_TRUE(untouched());
}

TEST(ToRescaleImg, FineEnlargementOnlyForExactly512x384To640x480) {
    std::vector<BYTE> src(512 * 384 * 3);
    for (size_t i = 0; i < src.size(); ++i) src[i] = BYTE((i * 37) ^ (i >> 9));
    std::vector<BYTE*> srcRows(384);
    for (int r = 0; r < 384; ++r) srcRows[r] = src.data() + 1536 * r;
    auto scaled = [&](int w, int h, auto scaler) {
        std::vector<BYTE> dst(size_t(w) * h * 3);
        std::vector<BYTE*> rows(h);
        for (int r = 0; r < h; ++r) rows[r] = dst.data() + 3 * w * r;
        scaler(srcRows.data(), rows.data(), 512, 384, w, h);
        return dst;
    };
    const auto viaDriver = scaled(640, 480, ToRescaleImg);
    EXPECT_EQ(viaDriver, scaled(640, 480, FineEnlargeImg));
    EXPECT_NE(viaDriver, scaled(640, 480, Rescalimg));
    EXPECT_EQ(scaled(640, 481, ToRescaleImg), scaled(640, 481, Rescalimg));
}

}  // namespace
