// The store download without any window: every report in order, the pictures it leaves, every
// failure end, and the next download after a failure.
#include <algorithm>

#include "session_test_support.h"

namespace zentsession::testing {
namespace {

const std::vector<std::string> kOpening = {
    "message: Starting to download",
    "step",
    "message: Waiting ..... while initialize the Duovue",
    "step",
    "message: Waiting ..... while Re-capturing the Fixed Pattern Noise",
    "step",
    "message: Waiting ..... while downloading the Image Table",
    "step",
    "message: Waiting ..... while downloading the Images",
    "step",
    "message: Finish downloading",
    "message: Display all B/W images",
};

int distance(const BYTE* bgr, const camera::Rgb& c) {
    return (bgr[2] - c.r) * (bgr[2] - c.r) + (bgr[1] - c.g) * (bgr[1] - c.g) +
           (bgr[0] - c.b) * (bgr[0] - c.b);
}

// Upright and in the scene's colours: the centre of each flat region of the scene is nearer
// its own colour than the colour of the region mirrored top to bottom.
void expectScene(const PackedBitmap& picture, const camera::StoredItem& item) {
    const int w = item.width;
    const int h = item.height;
    const auto regions = item.scene.regions(w, h);
    ASSERT_FALSE(regions.empty());
    for (const camera::Region& region : regions) {
        const int cx = region.x + region.width / 2;
        const int cy = region.y + region.height / 2;
        const BYTE* pixel = picture.row(h - 1 - cy) + 3 * cx;  // row 0 is the bottom line
        for (const camera::Region& mirror : regions) {
            if (mirror.x != region.x || mirror.y == region.y) continue;
            EXPECT_LT(distance(pixel, region.colour), distance(pixel, mirror.colour))
                << region.name;
        }
    }
}

class DownloadTest : public SessionTest {
  protected:
    Result download() {
        recorder.log.clear();
        return session.download(recorder, [this](int n) { return clipPath(n); });
    }
};

TEST_F(DownloadTest, DefaultStoreReportsInOrderAndLeavesUprightPictures) {
    plug();
    const int frames = cam().countedItems();
    ASSERT_GT(frames, kSlotCount);
    ASSERT_EQ(download(), Result::Done);

    // The opening, then per item: its gray picture, its thumbnail, the counter.
    std::vector<std::string> expected = kOpening;
    for (int n = 0; n < frames; ++n) {
        const camera::StoredItem& item = cam().storedItems()[n];
        const std::string where = std::to_string(n % kSlotCount) + " " + std::to_string(n);
        expected.push_back("picture: Gray " + where + " " + std::to_string(item.width / 2) + "x" +
                           std::to_string(item.height / 2));
        expected.push_back("picture: GrayThumbnail " + where + " 103x76");
        expected.push_back("counter: Images " + std::to_string(n + 1));
    }
    expected.push_back("message: Display the first 15 Color images");
    expected.push_back("step");
    for (int n = 0; n < kSlotCount; ++n) {
        const camera::StoredItem& item = cam().storedItems()[n];
        expected.push_back("picture: PageSlot " + std::to_string(n) + " " + std::to_string(n) +
                           " " + std::to_string(item.width) + "x" + std::to_string(item.height));
        expected.push_back("counter: Images " + std::to_string(n + 1));
    }
    expected.push_back("counter: Images " + std::to_string(frames));
    expected.push_back("counter: Stills " + std::to_string(frames));
    expected.push_back("step");
    ASSERT_GE(recorder.log.size(), expected.size());
    EXPECT_EQ(
        std::vector<std::string>(recorder.log.begin(), recorder.log.begin() + expected.size()),
        expected);

    // The clip question, answered No: nothing written, no clip playable.
    int clips = 0;
    for (const camera::StoredItem& item : cam().storedItems())
        clips = std::max(clips, item.clip + 1);
    ASSERT_GT(clips, 0);
    const std::vector<std::string> tail(recorder.log.begin() + expected.size(), recorder.log.end());
    ASSERT_EQ(tail.size(), 4u);
    EXPECT_EQ(tail[0].rfind("ask: " + std::to_string(clips) + " V8 files needs to be saved !\n", 0),
              0u);
    EXPECT_EQ(tail[1], "counter: Clips 0");
    EXPECT_EQ(tail[2], "message: Total DSC image = " + std::to_string(frames) + " frames\nTotal " +
                           std::to_string(clips) + " V8 files, but No V8 files to be saved !");
    EXPECT_EQ(tail[3], "step");
    EXPECT_TRUE(folderFiles().empty());

    const SessionState& s = session.state();
    EXPECT_EQ(s.downloaded, 1);
    EXPECT_EQ(s.paintEnabled, 1);
    EXPECT_EQ(s.dscCount, frames);
    EXPECT_EQ(s.clipCount, 0);
    PackedBitmap picture;
    ASSERT_TRUE(picture.allocate(320, 240));
    for (int n = 0; n < frames; ++n) {
        SCOPED_TRACE(n);
        const camera::StoredItem& item = cam().storedItems()[n];
        EXPECT_EQ(s.imageWidth[n], item.width);
        EXPECT_EQ(s.imageHeight[n], item.height);
        // The page picture is the image's colour picture; converting it again gives the same.
        ASSERT_TRUE(session.colorPicture(n, picture));
        expectScene(picture, item);
        for (int r = 0; n < kSlotCount && r < item.height; ++r) {
            ASSERT_TRUE(
                std::equal(picture.row(r), picture.row(r) + 3 * item.width, s.slotImages[n].row(r)))
                << "row " << r;
        }
    }
    EXPECT_FALSE(session.colorPicture(frames, picture));
    EXPECT_FALSE(session.colorPicture(-1, picture));
}

TEST_F(DownloadTest, GrayPicturesAreHalfSizeGrayAndUpright) {
    plug();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    PackedBitmap gray;
    ASSERT_TRUE(gray.allocate(160, 120));
    for (int n = 0; n < session.state().dscCount; ++n) {
        SCOPED_TRACE(n);
        const camera::StoredItem& item = cam().storedItems()[n];
        ASSERT_TRUE(session.grayPicture(n, gray));
        const int h = item.height / 2;
        const auto level = [&](const camera::Region& region) {
            const BYTE* p = gray.row(h - 1 - (region.y + region.height / 2) / 2) +
                            3 * ((region.x + region.width / 2) / 2);
            EXPECT_TRUE(p[0] == p[1] && p[1] == p[2]);
            return int(p[0]);
        };
        // The gray level follows the red of the scene: a region much redder than the region
        // mirrored top to bottom is lighter.
        const auto regions = item.scene.regions(item.width, item.height);
        for (const camera::Region& region : regions) {
            for (const camera::Region& mirror : regions) {
                if (mirror.x != region.x || region.colour.r < mirror.colour.r + 60) continue;
                EXPECT_GT(level(region), level(mirror)) << region.name;
            }
        }
    }
}

// The camera goes away just as each step's text is shown (before its blocking call): the step
// fails with its own texts and state, and the next download succeeds.
TEST_F(DownloadTest, CameraVanishingAtEachStep) {
    plug();
    const struct {
        const char* message;
        Result result;
        std::vector<std::string> end;
    } steps[] = {
        {"Waiting ..... while initialize the Duovue",
         Result::NotFound,
         {"failed", "notice: Duovue doesn't been found !", "message: "}},
        {"Waiting ..... while Re-capturing the Fixed Pattern Noise",
         Result::NotFound,
         {"failed", "notice: Duovue doesn't been found !", "message: "}},
        {"Waiting ..... while downloading the Image Table",
         Result::HeaderFailed,
         {"failed", "message: Download Header fail"}},
        {"Waiting ..... while downloading the Images",
         Result::StoreFailed,
         {"failed", "message: Download fails"}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.message);
        recorder.onMessage = [&](const std::string& text) {
            if (text == step.message) cam().vanish();
        };
        EXPECT_EQ(download(), step.result);
        ASSERT_GE(recorder.log.size(), step.end.size());
        EXPECT_EQ(
            std::vector<std::string>(recorder.log.end() - step.end.size(), recorder.log.end()),
            step.end);
        EXPECT_EQ(session.state().downloaded, 0);
        EXPECT_EQ(session.state().paintEnabled, 0);
        if (step.result == Result::HeaderFailed) {
            EXPECT_EQ(session.state().dscCount, 0);
        }

        recorder.onMessage = nullptr;
        cam().clearFaults();
        EXPECT_EQ(download(), Result::Done);
        EXPECT_EQ(session.state().dscCount, cam().countedItems());
    }
}

// Vanishing after any number of device calls: never a crash, never a good end on a partial
// store, and the next download succeeds.
TEST_F(DownloadTest, CameraVanishingAfterAnyCall) {
    plug();
    cam().resetCounters();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    const camera::CameraCounters& c = cam().counters();
    const uint64_t calls = c.registerReads + c.registerWrites + c.bulkReads + c.descriptorRequests;
    ASSERT_GT(calls, 10u);
    for (uint64_t after = 0; after < calls; after += std::max<uint64_t>(1, calls / 23)) {
        SCOPED_TRACE(after);
        cam().vanishAfterCalls(after);
        const Result result = session.fetchStore(recorder);
        EXPECT_TRUE(result == Result::NotFound || result == Result::HeaderFailed ||
                    result == Result::StoreFailed);
        EXPECT_EQ(session.state().downloaded, 0);
        cam().clearFaults();
        EXPECT_EQ(session.fetchStore(recorder), Result::Done);
    }
}

TEST_F(DownloadTest, HeaderCounts) {
    const struct {
        camera::StoreKind store;
        int stills;  // > 0: a table of this many stills over the store
        Result result;
        const char* text;
    } cases[] = {
        {camera::StoreKind::Empty, 0, Result::NoImages, "No images in SDRAM"},
        {camera::StoreKind::Full, 0, Result::Done, nullptr},
        {camera::StoreKind::Full, 108, Result::NoImages, "No images in SDRAM"},
    };
    for (const auto& c : cases) {
        camera::CameraOptions options;
        options.store = c.store;
        plug(options);
        if (c.stills > 0) cam().overrideImageTable(stillsTable(c.stills));
        recorder.log.clear();
        EXPECT_EQ(session.fetchStore(recorder), c.result);
        if (c.text != nullptr) {
            EXPECT_EQ(recorder.log.back(), std::string("message: ") + c.text);
            EXPECT_EQ(session.state().dscCount, 0);
        } else {
            EXPECT_EQ(session.state().dscCount, kMaxImages);
        }
    }
    // A count of -1 (the table read failed) is one of the vanishing cases above.
}

TEST_F(DownloadTest, StopEndsBetweenSteps) {
    plug();
    recorder.onMessage = [&](const std::string& text) {
        if (text == "Waiting ..... while Re-capturing the Fixed Pattern Noise")
            session.requestStop();
    };
    EXPECT_EQ(session.fetchStore(recorder), Result::Stopped);
    EXPECT_EQ(recorder.only("message: ").back(),
              "Waiting ..... while Re-capturing the Fixed Pattern Noise");
    EXPECT_EQ(session.state().downloaded, 0);
    // Still stopped until cleared; then the download runs.
    EXPECT_EQ(session.fetchStore(recorder), Result::Stopped);
    session.clearStop();
    recorder.onMessage = nullptr;
    EXPECT_EQ(session.fetchStore(recorder), Result::Done);
}

}  // namespace
}  // namespace zentsession::testing
