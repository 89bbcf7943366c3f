// The download workflow against the simulated camera: the good road, the answers to the clip
// question, and every failure end.
#include <QProgressBar>

#include "app_test_support.h"
#include "up_down.h"

namespace zentdesk::testing {
namespace {

using namespace mainid;

class DownloadTest : public AppTest {
  protected:
    void expectFailureEnd() {
        EXPECT_EQ(session().state().downloaded, 0);
        EXPECT_EQ(session().state().paintEnabled, 0);
        EXPECT_EQ(progress.back(), 8);
        EXPECT_TRUE(enabled(kExit));
        EXPECT_TRUE(enabled(kVideoMode));
        EXPECT_TRUE(enabled(kDownload));
        EXPECT_FALSE(enabled(kErase));
        EXPECT_FALSE(enabled(kNext));
        EXPECT_FALSE(enabled(kPrevious));
    }
    void expectGoodEnd(int frames) {
        EXPECT_EQ(session().state().downloaded, 1);
        EXPECT_EQ(session().state().dscCount, frames);
        EXPECT_EQ(progress.back(), 8);
        EXPECT_TRUE(enabled(kExit));
        EXPECT_TRUE(enabled(kVideoMode));
        EXPECT_TRUE(enabled(kErase));
        EXPECT_EQ(text(kDscCount), QString::number(frames));
    }
};

TEST_F(DownloadTest, DefaultStoreWithoutSavingClips) {
    plug();
    const int frames = cam().countedItems();
    download(MessageAnswer::No);

    const std::vector<QString> expected = {
        "Starting to download",
        "Waiting ..... while initialize the Duovue",
        "Waiting ..... while Re-capturing the Fixed Pattern Noise",
        "Waiting ..... while downloading the Image Table",
        "Waiting ..... while downloading the Images",
        "Finish downloading",
        "Display all B/W images",
        frames < 15 ? "Display all Color images" : "Display the first 15 Color images",
    };
    ASSERT_GE(messages.size(), expected.size());
    EXPECT_EQ(std::vector<QString>(messages.begin(), messages.begin() + expected.size()), expected);
    EXPECT_EQ(progress, (std::vector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
    expectGoodEnd(frames);

    // The clip scan agrees with what the camera stored.
    int clips = 0;
    for (const camera::StoredItem& item : cam().storedItems())
        clips = std::max(clips, item.clip + 1);
    ASSERT_GT(clips, 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_TRUE(
        boxes[0].startsWith(QStringLiteral("%1 V8 files needs to be saved !\n").arg(clips)));
    EXPECT_EQ(messages.back(),
              QStringLiteral("Total DSC image = %1 frames\nTotal %2 V8 files, but No V8 files to "
                             "be saved !")
                  .arg(frames)
                  .arg(clips));
    EXPECT_FALSE(enabled(kPlay));
    auto* upDown = control<UpDown>(window(), kClipUpDown);
    EXPECT_EQ(upDown->maximum(), 0);
    EXPECT_EQ(upDown->position(), 0);
    EXPECT_EQ(text(kClipCount), "0");
    EXPECT_TRUE(std::filesystem::is_empty(folder));

    // Sizes and captions come from the camera's items.
    for (int n = 0; n < std::min(frames, 15); ++n) {
        const camera::StoredItem& item = cam().storedItems()[n];
        EXPECT_EQ(session().state().imageWidth[n], item.width);
        EXPECT_EQ(text(kFirstCaption + n), QStringLiteral("%1 : %2x%3")
                                               .arg(item.v8 ? "V8" : "DSC")
                                               .arg(item.width)
                                               .arg(item.height));
        EXPECT_EQ(text(kFirstNumberLabel + n), QString::number(n + 1));
    }
    EXPECT_EQ(enabled(kNext), frames >= 15);
}

TEST_F(DownloadTest, StoreWithoutClipsAsksNothing) {
    plug();
    std::array<uint8_t, 256> table;
    std::copy(cam().imageTable().begin(), cam().imageTable().end(), table.begin());
    for (uint8_t& b : table) {
        if (!isEndMark(b)) b &= static_cast<uint8_t>(~kV8Frame);
    }
    cam().overrideImageTable(table);
    download(MessageAnswer::Yes);
    expectGoodEnd(cam().countedItems());
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(messages.back(),
              QStringLiteral("Total DSC image = %1 frames\nNo V8 files").arg(cam().countedItems()));
    EXPECT_FALSE(enabled(kPlay));
    EXPECT_EQ(session().state().clipCount, 0);
}

TEST_F(DownloadTest, NoCamera) {
    window();
    download();
    EXPECT_EQ(boxes, std::vector<QString>{kNotFound});
    EXPECT_EQ(messages.back(), QString());
    expectFailureEnd();
}

// The camera disappears while each stage waits on it; the window recovers and the next download
// succeeds.
TEST_F(DownloadTest, CameraVanishingAtEachStage) {
    struct Stage {
        const char* message;
        QString box;
        QString line;
    };
    const Stage stages[] = {
        {"Waiting ..... while initialize the Duovue", kNotFound, ""},
        {"Waiting ..... while Re-capturing the Fixed Pattern Noise", kNotFound, ""},
        {"Waiting ..... while downloading the Image Table", "", "Download Header fail"},
        {"Waiting ..... while downloading the Images", "", "Download fails"},
    };
    plug();
    for (const Stage& stage : stages) {
        SCOPED_TRACE(stage.message);
        onShown = [&](int id, const QString& shownText) {
            if (id == kMessage && shownText == stage.message) cam().vanish();
        };
        download();
        expectFailureEnd();
        EXPECT_EQ(messages.back(), stage.line);
        EXPECT_EQ(boxes,
                  stage.box.isEmpty() ? std::vector<QString>{} : std::vector<QString>{stage.box});
        onShown = nullptr;
        cam().clearFaults();
        download();
        expectGoodEnd(cam().countedItems());
    }
}

TEST_F(DownloadTest, HeaderCountLimits) {
    plug();
    const struct {
        int count;
        bool good;
    } cases[] = {{0, false}, {107, true}, {108, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.count);
        cam().overrideImageTable(stillsTable(c.count));
        download();
        if (c.good) {
            expectGoodEnd(c.count);
        } else {
            expectFailureEnd();
            EXPECT_EQ(messages.back(), "No images in SDRAM");
            // The counter shows no frames, in the final series.
            EXPECT_EQ(session().state().dscCount, 0);
        }
    }
}

// Items without samples get no image number and break clips; a table without an end mark is
// refused. Either way the window ends usable.
TEST_F(DownloadTest, StrangeTables) {
    plug();
    std::array<uint8_t, 256> table;
    table.fill(0x70);
    const uint8_t bytes[] = {0x40, 0x50, 0x60, 0x30, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), table.begin());
    cam().overrideImageTable(table);
    download(MessageAnswer::Yes);
    expectGoodEnd(3);
    const SessionState& s = session().state();
    EXPECT_EQ(s.ImageTableIndex[1], 2);
    EXPECT_EQ(s.ImageTableIndex[2], 4);
    EXPECT_EQ(text(kFirstCaption + 1), "V8 : 160x120");
    EXPECT_EQ(text(kFirstCaption + 2), "DSC : 320x240");
    EXPECT_EQ(s.clipCount, 2);
    EXPECT_TRUE(std::filesystem::is_regular_file(folder / "Duovue_V82.AVI"));

    cam().clearFaults();
    cam().setCorruptImageTable(true);
    download();
    expectFailureEnd();
    EXPECT_EQ(messages.back(), "No images in SDRAM");
}

TEST_F(DownloadTest, EraseAsksFirst) {
    plug();
    download();
    answers = {MessageAnswer::No};
    boxes.clear();
    click(kErase);
    EXPECT_EQ(boxes,
              std::vector<QString>{"Are you sure to erase all images stored in the SDRAM ?"});
    EXPECT_GT(cam().countedItems(), 0);

    answers = {MessageAnswer::Yes};
    boxes.clear();
    click(kErase);
    EXPECT_EQ(boxes, (std::vector<QString>{"Are you sure to erase all images stored in the SDRAM ?",
                                           "To Erase memory is finished !!"}));
    EXPECT_EQ(cam().countedItems(), 0);
    EXPECT_EQ(messages.back(), "Waiting ..... while initialize the Duovue");
    EXPECT_EQ(session().state().downloaded, 1);  // the thumbnails stay

    unplug();
    answers = {MessageAnswer::Yes};
    boxes.clear();
    click(kErase);
    EXPECT_EQ(boxes.back(), kNotFound);
    EXPECT_EQ(messages.back(), QString());
    EXPECT_TRUE(enabled(kExit));
}

}  // namespace
}  // namespace zentdesk::testing
