// The live preview, erase and the picture view without any window.
#include "session_test_support.h"

namespace zentsession::testing {
namespace {

class PreviewTest : public SessionTest {
  protected:
    void SetUp() override {
        SessionTest::SetUp();
        plug();
        session.openPreview(true, true, zentdrv::kPreviewGamma);
    }
};

TEST_F(PreviewTest, FramesAfterTheNoiseFrameUprightAndSettling) {
    const ColorSettings& c = session.state().colorSettings;
    EXPECT_EQ(c.redGain, 27);
    EXPECT_EQ(c.greenGain, 32);
    EXPECT_EQ(c.blueGain, 49);
    EXPECT_EQ(c.lumaGain, 36);
    EXPECT_EQ(c.awbMode, 2);
    EXPECT_FLOAT_EQ(c.gamma2, 0.8f);

    recorder.onMessage = [&](const std::string& text) {
        recorder.log.push_back("mode " + std::to_string(cam().mode()) + " at " + text);
    };
    ASSERT_EQ(session.startPreview(1, recorder), Result::Done);
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{"message: ", "mode 1 at ", "resized: 320x240",
                                        "message: Waiting .... while checking the camera",
                                        "mode 1 at Waiting .... while checking the camera",
                                        "message: Capturing the FPN", "mode 1 at Capturing the FPN",
                                        "message: Previewing the images",
                                        "mode 1 at Previewing the images"}));
    EXPECT_EQ(session.state().paintEnabled, 1);

    recorder.onMessage = nullptr;
    recorder.log.clear();
    for (int i = 0; i < 8; ++i) ASSERT_EQ(session.previewTick(1, recorder), Result::Done);
    EXPECT_EQ(recorder.log, std::vector<std::string>(8, "picture: Preview -1 -1 320x240"));

    // After a few frames the white balance has settled: each region is nearest its own colour,
    // upright (row 0 of the bitmap is the bottom line).
    const PackedBitmap& frame = session.state().displayImage;
    const auto regions = cam().lastLiveScene().regions(320, 240);
    for (const camera::Region& region : regions) {
        const BYTE* p =
            frame.row(239 - (region.y + region.height / 2)) + 3 * (region.x + region.width / 2);
        const camera::Region* nearest = nullptr;
        int best = -1;
        for (const camera::Region& other : regions) {
            const int d = (p[2] - other.colour.r) * (p[2] - other.colour.r) +
                          (p[1] - other.colour.g) * (p[1] - other.colour.g) +
                          (p[0] - other.colour.b) * (p[0] - other.colour.b);
            if (best < 0 || d < best) best = d, nearest = &other;
        }
        EXPECT_EQ(nearest->name, region.name);
    }
    recorder.log.clear();
    session.stopPreview(1, recorder);
    EXPECT_EQ(recorder.log, std::vector<std::string>{"message: Stop previewing"});
}

TEST_F(PreviewTest, SizeSwitchShowsTheFrameThenRecapturesTheNoise) {
    ASSERT_EQ(session.startPreview(1, recorder), Result::Done);
    recorder.log.clear();
    recorder.onMessage = [&](const std::string& text) {
        recorder.log.push_back("mode " + std::to_string(cam().mode()) + " at " + text);
    };
    ASSERT_EQ(session.previewTick(0, recorder), Result::Done);
    EXPECT_EQ(recorder.log,
              (std::vector<std::string>{
                  "picture: Preview -1 -1 320x240", "resized: 160x120",
                  "message: Re-Capturing the FPN", "mode 0 at Re-Capturing the FPN",
                  "message: Previewing the images", "mode 0 at Previewing the images"}));
    EXPECT_EQ(session.previewWidth(), 160);
    EXPECT_EQ(cam().liveWidth(), 160);
    recorder.log.clear();
    ASSERT_EQ(session.previewTick(0, recorder), Result::Done);
    EXPECT_EQ(recorder.log, std::vector<std::string>{"picture: Preview -1 -1 160x120"});
}

TEST_F(PreviewTest, CameraMissingOrVanishing) {
    cam().vanish();
    EXPECT_EQ(session.startPreview(1, recorder), Result::NotFound);
    EXPECT_EQ(
        std::vector<std::string>(recorder.log.end() - 3, recorder.log.end()),
        (std::vector<std::string>{"failed", "notice: Duovue doesn't been found !", "message: "}));
    cam().clearFaults();
    ASSERT_EQ(session.startPreview(1, recorder), Result::Done);
    cam().vanish();
    recorder.log.clear();
    EXPECT_EQ(session.previewTick(1, recorder), Result::NotFound);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{
                                "failed", "notice: Duovue doesn't been found !", "message: "}));
    // A stop ends the preview before the next frame.
    cam().clearFaults();
    ASSERT_EQ(session.startPreview(1, recorder), Result::Done);
    session.requestStop();
    EXPECT_EQ(session.previewTick(1, recorder), Result::Stopped);
    session.clearStop();
}

TEST_F(SessionTest, EraseAsksFirst) {
    plug();
    const int items = cam().countedItems();
    recorder.answer = false;
    EXPECT_EQ(session.erase(recorder), Result::Declined);
    EXPECT_EQ(recorder.log, std::vector<std::string>{
                                "ask: Are you sure to erase all images stored in the SDRAM ?"});
    EXPECT_EQ(cam().countedItems(), items);

    recorder.answer = true;
    recorder.log.clear();
    EXPECT_EQ(session.erase(recorder), Result::Done);
    EXPECT_EQ(recorder.log, (std::vector<std::string>{
                                "ask: Are you sure to erase all images stored in the SDRAM ?",
                                "message: Waiting ..... while initialize the Duovue",
                                "notice: To Erase memory is finished !!"}));
    EXPECT_EQ(cam().countedItems(), 0);
    EXPECT_EQ(session.fetchStore(recorder), Result::NoImages);

    cam().vanish();
    recorder.log.clear();
    EXPECT_EQ(session.erase(recorder, false), Result::NotFound);
    EXPECT_EQ(recorder.log.back(), "message: ");
}

// The picture view: X1 is the page picture, X2 twice its size, the bars convert again, and
// "Apply" makes the settings the image's own and refreshes its page picture.
TEST_F(SessionTest, PictureViewAtX1AndX2WithApply) {
    plug();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    session.showPage(0, recorder);
    const SessionState& s = session.state();
    int small = -1;
    for (int n = 0; n < kSlotCount && small < 0; ++n)
        if (s.imageWidth[n] == 160) small = n;
    ASSERT_GE(small, 0);

    int w = 0, h = 0;
    ASSERT_TRUE(session.viewPicture(small, w, h));
    EXPECT_EQ(w, 160);
    EXPECT_EQ(h, 120);
    EXPECT_EQ(s.colorSettings.redGain, s.imageColor[small].redGain);
    EXPECT_EQ(s.colorSettings.awbMode, 0);
    for (int r = 0; r < h; ++r)
        ASSERT_TRUE(
            std::equal(s.workImage.row(r), s.workImage.row(r) + 3 * w, s.slotImages[small].row(r)));
    session.zoomView();
    // X2: each pixel of X1 is spread over a 2 x 2 block (corners agree exactly).
    EXPECT_TRUE(std::equal(s.workImage.row(0), s.workImage.row(0) + 3, s.displayImage.row(0)));

    // Stronger red, converted again and applied.
    PackedBitmap before = Session::snapshot(s.workImage, w, h);
    session.colorSettings().redGain = 90;
    session.recolorView(true);
    long long redBefore = 0, redAfter = 0;
    for (int r = 0; r < h; ++r)
        for (int x = 0; x < w; ++x) {
            redBefore += before.row(r)[3 * x + 2];
            redAfter += s.workImage.row(r)[3 * x + 2];
        }
    EXPECT_GT(redAfter, redBefore);
    EXPECT_TRUE(session.applyView());
    EXPECT_EQ(s.imageColor[small].redGain, 90);
    for (int r = 0; r < h; ++r)
        ASSERT_TRUE(
            std::equal(s.workImage.row(r), s.workImage.row(r) + 3 * w, s.slotImages[small].row(r)));

    // On another page the slot holds another image: nothing is refreshed.
    ASSERT_GT(s.dscCount, kSlotCount);
    session.showPage(1, recorder);
    ASSERT_TRUE(session.viewPicture(small, w, h));
    EXPECT_FALSE(session.applyView());
    EXPECT_FALSE(session.viewPicture(kTableSize, w, h));
}

TEST(PackedBitmap, MovesOwnershipAndCopiesWhatBothHold) {
    PackedBitmap a;
    EXPECT_FALSE(a);
    EXPECT_FALSE(a.allocate(0, 10));
    ASSERT_TRUE(a.allocate(8, 4));
    EXPECT_EQ(a.width(), 8);
    EXPECT_EQ(a.height(), 4);
    EXPECT_EQ(a.row(1) - a.row(0), 24);
    a.row(3)[0] = 7;
    HGLOBAL handle = a.handle();
    PackedBitmap b = std::move(a);
    EXPECT_FALSE(a);
    EXPECT_EQ(b.handle(), handle);
    PackedBitmap c;
    ASSERT_TRUE(c.allocate(4, 8));
    EXPECT_TRUE(c.copyFrom(b, 8, 8));  // clamped to 4 x 4
    EXPECT_EQ(c.row(3)[0], 7);
    c = std::move(b);
    EXPECT_EQ(c.handle(), handle);
    EXPECT_FALSE(Session::snapshot(c, 4, 4, [](int, int, int) -> HGLOBAL { return nullptr; }));
}

}  // namespace
}  // namespace zentsession::testing
