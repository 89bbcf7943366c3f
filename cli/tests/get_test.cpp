// get against the simulated camera in-process: names, pictures equal to the picture view's X1
// save, clips read back, the choices of --items, --gray and --format, the three overwrite rules
// and the failures.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <map>
#include <thread>

#include "cli_fixture.h"
#include "decode.h"
#include "session.h"

namespace duovue::testing {
namespace {

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

// The names get writes for a camera's store, all of it.
std::vector<std::string> expectedNames(const camera::SimCamera& cam, const char* extension) {
    std::vector<std::string> names;
    int lastClip = -1;
    const auto& items = cam.storedItems();
    for (size_t i = 0; i < items.size(); ++i) {
        char name[32];
        if (!items[i].v8) {
            std::snprintf(name, sizeof name, "duovue-%03zu.%s", i + 1, extension);
            names.push_back(name);
        } else if (items[i].clip != lastClip) {
            lastClip = items[i].clip;
            names.push_back("duovue-clip-" + std::to_string(lastClip + 1) + ".avi");
        }
    }
    std::sort(names.begin(), names.end());
    return names;
}

using GetTest = CliTest;

TEST_F(GetTest, DefaultStorePicturesAreTheViewsX1SaveAndClipsReadBack) {
    plug();
    const Outcome got = run({"get", "--dir", dir});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(got.out, "");
    EXPECT_EQ(got.err, "");  // not a terminal: nothing but errors
    EXPECT_EQ(files(), expectedNames(cam(), "png"));

    // The picture view's X1 of each still, opened from its page as in the main window.
    zentsession::Session session;
    session.start();
    zentsession::Observer quiet;
    ASSERT_EQ(session.fetchStore(quiet), zentsession::Result::Done);
    const auto& items = cam().storedItems();
    int compared = 0;
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].v8) continue;
        SCOPED_TRACE(i + 1);
        const int image = static_cast<int>(i);
        if (compared == 0 || session.state().pageIndex != image / zentsession::kSlotCount) {
            session.showPage(image / zentsession::kSlotCount, quiet);
        }
        int w = 0, h = 0;
        ASSERT_TRUE(session.viewPicture(image, w, h));
        ASSERT_EQ(w, items[i].width);
        char name[32];
        std::snprintf(name, sizeof name, "duovue-%03zu.png", i + 1);
        const auto rgb = decodePicture(path(name));
        ASSERT_EQ(rgb.size(), size_t(w) * h * 3);
        const zentsession::PackedBitmap& view = session.state().workImage;
        int mismatches = 0;
        for (int y = 0; y < h; ++y) {
            const BYTE* row = view.row(h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const uint8_t* p = rgb.data() + (size_t(y) * w + x) * 3;
                mismatches +=
                    p[0] != row[3 * x + 2] || p[1] != row[3 * x + 1] || p[2] != row[3 * x];
            }
        }
        EXPECT_EQ(mismatches, 0);
        EXPECT_TRUE(upright(items[i].scene.regions(w, h), rgb.data(), w));
        ++compared;
    }
    EXPECT_GE(compared, 10);
    session.end();

    // Each clip: every frame at its size.
    std::map<int, std::pair<int, int>> clipFrames;  // clip -> frames, width
    for (const auto& item : items) {
        if (!item.v8) continue;
        ++clipFrames[item.clip].first;
        clipFrames[item.clip].second = item.width;
    }
    ASSERT_EQ(clipFrames.size(), 3u);
    for (const auto& [clip, frames] : clipFrames) {
        const std::string avi = path("duovue-clip-" + std::to_string(clip + 1) + ".avi");
        const std::string stream = probe(avi, "codec_name,width,height,nb_read_frames");
        EXPECT_NE(stream.find("width=" + std::to_string(frames.second)), std::string::npos)
            << stream;
        EXPECT_NE(stream.find("nb_read_frames=" + std::to_string(frames.first)), std::string::npos)
            << stream;
    }
}

TEST_F(GetTest, ItemsGrayAndBmpChooseWhatIsWritten) {
    plug();
    // The default store's first clip starts somewhere after the stills; choose one of its frames.
    const auto& items = cam().storedItems();
    int clipFrame = 0;
    while (!items[clipFrame].v8) ++clipFrame;
    const std::string list = "1,3-4," + std::to_string(clipFrame + 2);
    Outcome got = run({"get", "--dir", dir, "--items", list, "--format", "bmp", "--gray"});
    ASSERT_EQ(got.status, 0) << got.err;
    const std::vector<std::string> wanted{"duovue-001.bmp", "duovue-003.bmp", "duovue-004.bmp",
                                          "duovue-clip-1.avi"};
    EXPECT_EQ(files(), wanted);
    // Gray: the same level in all three channels, at the download's gray size (half).
    const std::string bmp = readFile(path("duovue-001.bmp"));
    ASSERT_GE(bmp.size(), 54u);
    int32_t width = 0;
    std::memcpy(&width, bmp.data() + 18, 4);
    EXPECT_EQ(width, items[0].width / 2);
    for (size_t i = 54; i + 2 < bmp.size(); i += 3 * 97) {
        EXPECT_EQ(bmp[i], bmp[i + 1]);
        EXPECT_EQ(bmp[i], bmp[i + 2]);
    }

    // Without clips, only the stills; a number past the store is refused before anything.
    fs::remove_all(dir);
    fs::create_directory(dir);
    got = run({"get", "--dir", dir, "--items", list, "--clips", "none"});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(files(),
              (std::vector<std::string>{"duovue-001.png", "duovue-003.png", "duovue-004.png"}));
    got = run({"get", "--dir", dir, "--items", "2," + std::to_string(items.size() + 1)});
    EXPECT_EQ(got.status, 1);
    EXPECT_NE(got.err.find("but the camera holds " + std::to_string(items.size()) + " images"),
              std::string::npos)
        << got.err;
    EXPECT_EQ(files().size(), 3u);
}

TEST_F(GetTest, ExistingFilesStopTheCommandOrAreKeptOrReplaced) {
    plug();
    std::ofstream(path("duovue-003.png")) << "mine";
    std::ofstream(path("duovue-clip-2.avi")) << "mine too";
    cam().resetCounters();
    Outcome got = run({"get", "--dir", dir});
    EXPECT_EQ(got.status, 4);
    EXPECT_NE(got.err.find(path("duovue-003.png") + " exists (and 1 more)"), std::string::npos)
        << got.err;
    EXPECT_EQ(std::count(got.err.begin(), got.err.end(), '\n'), 1);
    EXPECT_LT(cam().counters().bulkBytes, camera::kStoreBytes);  // the store was not read
    EXPECT_EQ(files().size(), 2u);

    got = run({"get", "--dir", dir, "--skip-existing"});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(readFile(path("duovue-003.png")), "mine");
    EXPECT_EQ(readFile(path("duovue-clip-2.avi")), "mine too");
    EXPECT_EQ(files(), expectedNames(cam(), "png"));

    got = run({"get", "--dir", dir, "--force", "--items", "3"});
    ASSERT_EQ(got.status, 0) << got.err;
    EXPECT_EQ(decodePicture(path("duovue-003.png")).size(),
              size_t(cam().storedItems()[2].width) * cam().storedItems()[2].height * 3);
}

TEST_F(GetTest, FailuresGiveTheirStatusAndLeaveNoPartialFile) {
    // No camera at all.
    Outcome got = run({"get", "--dir", dir});
    EXPECT_EQ(got.status, 2);
    EXPECT_EQ(got.err, "duovue: no camera answers\n");

    // The camera gone half-way through the store.
    plug();
    std::ofstream(path("duovue-001.png")) << "kept";
    cam().vanishAfterBulkBytes(camera::kStoreBytes / 2);
    got = run({"get", "--dir", dir, "--skip-existing"});
    EXPECT_EQ(got.status, 3);
    EXPECT_EQ(got.err, "duovue: the camera failed at the store\n");
    EXPECT_EQ(files(), std::vector<std::string>{"duovue-001.png"});
    EXPECT_EQ(readFile(path("duovue-001.png")), "kept");

    // A folder that is not one, or is not there.
    got = run({"get", "--dir", path("duovue-001.png")});
    EXPECT_EQ(got.status, 4);
    EXPECT_EQ(got.err, "duovue: cannot write " + path("duovue-001.png") + ": Not a directory\n");
    got = run({"get", "--dir", dir + "/missing"});
    EXPECT_EQ(got.status, 4);

    // An empty camera: nothing to write, and that is no failure.
    plug(camera::StoreKind::Empty);
    fs::remove(path("duovue-001.png"));
    got = run({"get", "--dir", dir});
    EXPECT_EQ(got.status, 0) << got.err;
    EXPECT_TRUE(files().empty());
}

TEST_F(GetTest, InterruptEndsAtTheNextPictureKeepingTheFinishedOnes) {
    plug();
    // Ctrl-C after the third picture file is complete.
    std::thread watcher([&] {
        for (int i = 0; i < 20000 && files().size() < 3; ++i) ::usleep(500);
        requestInterrupt();
    });
    const Outcome got = run({"get", "--dir", dir});
    watcher.join();
    EXPECT_EQ(got.status, 130);
    const auto written = files();
    ASSERT_GE(written.size(), 3u);
    EXPECT_LT(written.size(), expectedNames(cam(), "png").size());
    for (const std::string& name : written) {
        EXPECT_FALSE(name.starts_with(".")) << name;  // no temporary file
        if (name.ends_with(".png")) {
            EXPECT_FALSE(decodePicture(path(name)).empty()) << name;
        }
    }
}

}  // namespace
}  // namespace duovue::testing
