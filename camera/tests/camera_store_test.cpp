// Store contents: the built-in stores, stores built from picture files, and the scenes' truth.
#include <filesystem>
#include <fstream>
#include <set>

#include "duovue_camera.h"
#include "gtest/gtest.h"

namespace camera {
namespace {

namespace fs = std::filesystem;

// Clips as a host finds them: runs of V8 items, split where the size or the marker changes.
std::vector<std::pair<size_t, size_t>> clipsOf(std::span<const uint8_t> table) {
    std::vector<std::pair<size_t, size_t>> clips;
    int openSize = -1, openMarker = -1;
    for (size_t k = 0; k < 256 && (table[k] & 0x70) != 0x70; ++k) {
        const uint8_t f = table[k];
        if (!(f & 0x40)) {
            openSize = -1;
            continue;
        }
        if ((f & 0x30) == openSize && (f & 0x80) == openMarker) {
            clips.back().second = k;
        } else {
            clips.push_back({k, k});
            openSize = f & 0x30;
            openMarker = f & 0x80;
        }
    }
    return clips;
}

TEST(CameraStore, DefaultStoreHasStillsAtBothSizesAndClips) {
    SimCamera cam;
    const auto& items = cam.storedItems();
    EXPECT_GT(items.size(), 15u);
    std::set<int> stillScenes;
    int small = 0, large = 0;
    for (const auto& item : items) {
        if (!item.v8) stillScenes.insert(item.scene.id());
        (item.width == 160 ? small : large)++;
    }
    EXPECT_GE(stillScenes.size(), 10u);
    EXPECT_GT(small, 0);
    EXPECT_GT(large, 0);
    const auto clips = clipsOf(cam.imageTable());
    ASSERT_GE(clips.size(), 2u);
    ASSERT_LE(clips.size(), 3u);
    // The clips the host finds are the ones stored, and neighbouring clips differ in marker.
    for (size_t c = 0; c < clips.size(); ++c) {
        for (size_t k = clips[c].first; k <= clips[c].second; ++k)
            EXPECT_EQ(items[k].clip, static_cast<int>(c));
        if (c > 0) {
            EXPECT_NE(cam.imageTable()[clips[c].first] & 0x80,
                      cam.imageTable()[clips[c - 1].first] & 0x80);
        }
    }
    // Clip frames show a moving scene.
    EXPECT_TRUE(items[clips[0].first].scene.moving());
    EXPECT_NE(items[clips[0].first].scene.frame(), items[clips[0].first + 1].scene.frame());
}

TEST(CameraStore, FullAndEmptyStores) {
    CameraOptions options;
    options.store = StoreKind::Full;
    SimCamera full(options);
    EXPECT_EQ(full.countedItems(), kFullStoreItems);
    EXPECT_EQ(full.imageTable()[kFullStoreItems] & 0x70, 0x70);
    const auto& last = full.storedItems().back();
    EXPECT_LE(last.offset + last.width * last.height, kStoreBytes);

    options.store = StoreKind::Empty;
    SimCamera empty(options);
    EXPECT_EQ(empty.countedItems(), 0);
    EXPECT_EQ(empty.imageTable()[0] & 0x70, 0x70);
}

TEST(CameraStore, SmallPicturesAreThinnedCaptures) {
    const Scene scene = Scene::builtin(3);
    // Picture row y (from the top) of 120 is sensor row 119 - y; sensor rows are kept in pairs.
    EXPECT_EQ(scene.pictureAt(160, 120, 0, 119), scene.at(0, 239));
    EXPECT_EQ(scene.pictureAt(160, 120, 2, 117), scene.at(4, 239 - 4));
    EXPECT_EQ(scene.pictureAt(160, 120, 3, 116), scene.at(5, 239 - 5));
    const auto regions = scene.regions(160, 120);
    ASSERT_EQ(regions.size(), 4u);
    EXPECT_EQ(regions[0].name, "top-left");
    const Region& r = regions[0];
    EXPECT_EQ(scene.pictureAt(160, 120, r.x + r.width / 2, r.y + r.height / 2), r.colour);
}

TEST(CameraStore, ScenesHaveDistinctFlatRegions) {
    const Scene live = Scene::builtin(kLiveScene, 17);
    const auto regions = live.regions();
    EXPECT_EQ(regions[0].colour, (Rgb{200, 40, 40}));  // the live scene's top left is red
    for (const Region& r : regions)
        for (int y = r.y; y < r.y + r.height; y += 7)
            for (int x = r.x; x < r.x + r.width; x += 7) ASSERT_EQ(live.at(x, y), r.colour);
    EXPECT_NE(Scene::builtin(0).regions()[0].colour, Scene::builtin(1).regions()[0].colour);
}

class DirectoryStore : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/camera-store-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { fs::remove_all(dir); }

    void writePpm(const std::string& name, int w, int h, Rgb colour) {
        std::ofstream out(dir / name, std::ios::binary);
        out << "P6\n# test picture\n" << w << " " << h << "\n255\n";
        for (int i = 0; i < w * h; ++i) out.put(colour.r).put(colour.g).put(colour.b);
    }
    SimCamera build() {
        CameraOptions options;
        options.store = StoreKind::Directory;
        options.directory = dir.string();
        return SimCamera(options);
    }

    fs::path dir;
};

TEST_F(DirectoryStore, FilesBecomeItemsInNameOrderAndTagsMakeClips) {
    writePpm("01.ppm", 320, 240, {200, 0, 0});
    writePpm("02.v8-a.ppm", 160, 120, {0, 200, 0});
    writePpm("03.v8-a.ppm", 160, 120, {0, 190, 0});
    writePpm("04.v8-b.ppm", 160, 120, {0, 0, 200});
    writePpm("05.ppm", 160, 120, {9, 9, 9});
    writePpm("06.v8-b.ppm", 320, 240, {50, 50, 50});
    const SimCamera cam = build();
    const auto& items = cam.storedItems();
    ASSERT_EQ(items.size(), 6u);
    EXPECT_FALSE(items[0].v8);
    EXPECT_EQ(items[0].scene.at(5, 5), (Rgb{200, 0, 0}));
    EXPECT_EQ(items[1].clip, 0);
    EXPECT_EQ(items[2].clip, 0);
    EXPECT_EQ(items[3].clip, 1);  // another tag: another clip, marker toggled
    EXPECT_EQ(items[5].clip, 2);  // same tag, but not consecutive
    EXPECT_EQ(items[5].tag, "b");
    EXPECT_EQ(clipsOf(cam.imageTable()).size(), 3u);
    EXPECT_EQ(items[2].offset, 76800u + 19456u);
}

TEST_F(DirectoryStore, AnythingElseIsRefused) {
    writePpm("01.ppm", 320, 240, {1, 2, 3});
    std::ofstream(dir / "notes.txt") << "hello";
    EXPECT_THROW(build(), StoreError);
    fs::remove(dir / "notes.txt");
    writePpm("02.ppm", 321, 240, {1, 2, 3});
    try {
        build();
        ADD_FAILURE() << "a 321 x 240 picture was accepted";
    } catch (const StoreError& e) {
        EXPECT_NE(std::string(e.what()).find("02.ppm"), std::string::npos);
    }
    fs::remove(dir / "02.ppm");
    std::ofstream(dir / "03.ppm", std::ios::binary) << "P6\n320 240\n255\nshort";
    EXPECT_THROW(build(), StoreError);
    fs::remove(dir / "03.ppm");
    fs::create_directory(dir / "sub.ppm");
    EXPECT_THROW(build(), StoreError);
    fs::remove(dir / "sub.ppm");
    for (int i = 0; i < 110; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "x%04d.ppm", i);
        writePpm(name, 320, 240, {});
    }
    EXPECT_THROW(build(), StoreError);  // more than the store holds
}

TEST_F(DirectoryStore, RefusalsSayWhatIsWrongBeforeReadingPixels) {
    const auto refusal = [&] {
        try {
            build();
        } catch (const StoreError& e) {
            return std::string(e.what());
        }
        return std::string("accepted");
    };
    // A big file is reported with its own size, not that of a capped read.
    const std::string header = "P6\n320 240\n255\n";
    std::ofstream(dir / "big.ppm", std::ios::binary) << header;
    fs::resize_file(dir / "big.ppm", 50'000'000);
    EXPECT_NE(refusal().find("pixel data is " + std::to_string(50'000'000 - header.size())),
              std::string::npos);
    fs::remove(dir / "big.ppm");

    // Links that lead nowhere are named as such.
    fs::create_symlink(dir / "missing.ppm", dir / "a.ppm");
    std::string why = refusal();
    EXPECT_NE(why.find("a.ppm: a link that cannot be followed"), std::string::npos) << why;
    fs::remove(dir / "a.ppm");
    fs::create_symlink(dir / "loop.ppm", dir / "loop.ppm");
    why = refusal();
    EXPECT_NE(why.find("loop.ppm: a link that cannot be followed"), std::string::npos) << why;
    fs::remove(dir / "loop.ppm");

    // The item count is checked while listing: files no PPM reader would accept never get
    // opened when there are too many of them.
    for (int i = 0; i < 256; ++i) std::ofstream(dir / (std::to_string(i) + ".ppm")) << "x";
    EXPECT_NE(refusal().find("too many pictures"), std::string::npos);
}

}  // namespace
}  // namespace camera
