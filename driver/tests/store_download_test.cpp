// The store road with the simulated camera: table, store, gray and color pictures.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <memory>
#include <vector>

#include "driver_fixture.h"
#include "duovue_camera.h"
#include "store_table.h"

namespace {

// A bottom-up 24-bit picture of 320 x 240 with its header and row table.
struct Picture {
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    std::vector<BYTE> pixels = std::vector<BYTE>(320 * 240 * 3, 0xAB);
    std::array<BYTE*, 240> rows{};
    Picture() {
        for (int r = 0; r < 240; ++r) rows[r] = pixels.data() + 960 * r;
    }
    // Channel k (0 blue, 1 green, 2 red) at (x, y), y counted from the top of an h-line item.
    int at(int h, int x, int y, int k) const { return rows[h - 1 - y][3 * x + k]; }
};

class StoreRoad : public zentdrv::testing::DriverTest {
  protected:
    std::shared_ptr<camera::SimCamera> cam;
    std::array<BYTE, 256> table{};

    void plug(camera::StoreKind kind = camera::StoreKind::Default) {
        camera::CameraOptions options;
        options.store = kind;
        cam = std::make_shared<camera::SimCamera>(options);
        platform::attachUsbDevice(0, cam);
        StartToCapture();
        SetDeviceInfo(0, 0);
        SetImageInfo(320, 240, 3, 1);
    }
    static void mode(int code) { SetHWInterface(4, 0, 1, 0, 1, code); }
    // The application's download: noise frame, header, store. Returns the header's count.
    int download() {
        mode(1);
        EXPECT_EQ(InitEvCam(), 0);
        mode(6);
        EXPECT_EQ(ReInitFPN(), 1);
        mode(3);
        const int count = DloadSDRAM_Header(table.data());
        if (count > 0) {
            EXPECT_EQ(DloadSDRAM(), 1);
        }
        return count;
    }
    // Table entries of the counted items, in order.
    std::vector<int> countedEntries() const {
        std::vector<int> out;
        for (int i = 0; i < 256 && (table[i] & 0x70) != 0x70; ++i)
            if ((table[i] & 0x10) == 0) out.push_back(i);
        return out;
    }
    // Mean of channel k over the inside of a region (a margin of 4 pixels left out), taking
    // only the pixels that `use` accepts.
    template <typename Use>
    static double regionMean(const Picture& p, int h, const camera::Region& region, int k,
                             Use use) {
        long sum = 0, n = 0;
        for (int y = region.y + 4; y < region.y + region.height - 4; ++y)
            for (int x = region.x + 4; x < region.x + region.width - 4; ++x)
                if (use(h - 1 - y, x)) sum += p.at(h, x, y, k), ++n;
        return n ? static_cast<double>(sum) / n : -1;
    }
    // Every flat region of the item's scene comes out in its true colors (neutral settings
    // that undo the sensor's cast) as a color picture, and at its raw levels as a gray one.
    void checkItem(const camera::StoredItem& truth, int entry) {
        const int w = truth.width, h = truth.height;
        Picture color, gray;
        ASSERT_EQ(GetColorImage(color.rows.data(), &color.header, entry), 1) << entry;
        ASSERT_EQ(GetRawImage(gray.rows.data(), nullptr, entry), 1) << entry;
        const int cast[3] = {camera::kCastBlue, camera::kCastGreen, camera::kCastRed};
        for (const camera::Region& region : truth.scene.regions(w, h)) {
            const int want[3] = {region.colour.b, region.colour.g, region.colour.r};
            for (int k = 0; k < 3; ++k) {
                const double got = regionMean(color, h, region, k, [](int, int) { return true; });
                EXPECT_NEAR(got, want[k], 8)
                    << "entry " << entry << " " << region.name << " k" << k;
            }
            // Mosaic sites: red at even (row, column) of the bottom-up picture, blue at odd.
            const double level = want[2] * cast[2] * camera::kExposure / 8192.0;
            const double redSites = regionMean(
                gray, h, region, 0, [](int r, int c) { return r % 2 == 0 && c % 2 == 0; });
            EXPECT_NEAR(redSites, level, 8) << "entry " << entry << " " << region.name;
            // With the noise frame in its place the fixed pattern is gone: the samples of a
            // flat region scatter by the temporal noise only, not by the pattern's 0..15.
            // (The noise capture patches sensor rows 192 to 194 from their neighbours.)
            const double spread = regionMean(gray, h, region, 0, [&](int r, int c) {
                const int sensorRow = h == 240 ? r : 4 * (r / 2) + r % 2;
                return r % 2 == 0 && c % 2 == 0 && (sensorRow < 192 || sensorRow > 194) &&
                       std::abs(gray.rows[r][3 * c] - redSites) > 4;
            });
            EXPECT_EQ(spread, -1) << "entry " << entry << " " << region.name;
        }
    }
};

TEST_F(StoreRoad, EveryItemOfTheDefaultStoreComesOutUprightInItsColors) {
    plug();
    ASSERT_EQ(download(), cam->countedItems());
    SetColorInfo(31, 37, 47, 32, 0, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    const std::vector<int> entries = countedEntries();
    ASSERT_EQ(entries.size(), cam->storedItems().size());
    for (size_t i = 0; i < entries.size(); ++i) {
        zentdrv::StoredItem where{};
        ASSERT_TRUE(zentdrv::LocateItem(zentdrv::driverState(), entries[i], where));
        EXPECT_EQ(static_cast<size_t>(where.offset), cam->storedItems()[i].offset);
        checkItem(cam->storedItems()[i], entries[i]);
    }
    // The store copy is the camera's store in true levels.
    std::vector<BYTE> dump(zentdrv::kStoreImageBytes);
    DumpSDRAM(dump.data());
    const auto store = cam->storeImage();
    for (size_t i = 0; i < dump.size(); i += 997) ASSERT_EQ(dump[i], 255 - store[i]) << i;

    // A second download in the same session corrects with its own, freshly centred noise frame.
    ASSERT_EQ(download(), cam->countedItems());
    checkItem(cam->storedItems()[0], entries[0]);
}

TEST_F(StoreRoad, FullStoreOf107Items) {
    plug(camera::StoreKind::Full);
    ASSERT_EQ(download(), 107);
    SetColorInfo(31, 37, 47, 32, 0, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    const std::vector<int> entries = countedEntries();
    ASSERT_EQ(entries.size(), 107u);
    for (size_t i = 0; i < entries.size(); ++i) checkItem(cam->storedItems()[i], entries[i]);
}

TEST_F(StoreRoad, EmptyAndErasedStoresCountNothingAndProduceNothing) {
    plug(camera::StoreKind::Empty);
    EXPECT_EQ(download(), 0);
    EXPECT_EQ(table[0] & 0x70, 0x70);

    plug();
    ASSERT_GT(download(), 0);
    mode(2);
    ASSERT_EQ(InitEvCam(), 0);  // programming mode 2 erases the store
    EXPECT_EQ(download(), 0);
    Picture untouched;
    EXPECT_EQ(GetColorImage(untouched.rows.data(), &untouched.header, 0), 0);
    EXPECT_EQ(GetRawImage(untouched.rows.data(), nullptr, 0), 0);
    EXPECT_TRUE(std::all_of(untouched.pixels.begin(), untouched.pixels.end(),
                            [](BYTE b) { return b == 0xAB; }));
}

TEST_F(StoreRoad, CorruptTablesNeverReadPastTheStore) {
    plug();
    cam->setCorruptImageTable(true);
    const int count = download();
    EXPECT_GE(count, 0);
    std::array<BYTE, 256> zeros{};  // every byte 0x00: 256 large items, 109 of which fit
    cam->overrideImageTable(zeros);
    for (int pass = 0; pass < 2; ++pass) {
        if (pass == 1) {
            ASSERT_EQ(download(), 256);
        }
        for (int entry = 0; entry < 256; ++entry) {
            Picture color, gray;
            const int made = GetColorImage(color.rows.data(), &color.header, entry);
            EXPECT_EQ(GetRawImage(gray.rows.data(), nullptr, entry), made);
            if (pass == 1) {
                EXPECT_EQ(made, entry < 109 ? 1 : 0) << entry;
            }
            if (!made) {
                EXPECT_EQ(color.pixels, Picture().pixels) << entry;
            }
        }
    }
}

}  // namespace
