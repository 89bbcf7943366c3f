// V8 clips written as AVI files, read back with ffprobe and ffmpeg, and played.
#include <cstdio>

#include "app_test_support.h"
#include "host_checks.h"
#include "up_down.h"

namespace zentdesk::testing {
namespace {

using namespace mainid;

class ClipExportTest : public AppTest {};

// Every clip of the default store: one 24-bit uncompressed stream at 15/s, frame j at 8j/15 s,
// each frame upright and equal to the stored frame's color picture.
TEST_F(ClipExportTest, DefaultStoreClipsReadBack) {
    plug();
    download(MessageAnswer::Yes);
    const SessionState& s = session().state();
    ASSERT_GT(s.clipCount, 0);
    EXPECT_EQ(boxes.back(), "All V8 files have been already been saved into your PC");
    EXPECT_EQ(
        messages.back(),
        QStringLiteral("Total %1 DSC images\nTotal %2 V8 files").arg(s.dscCount).arg(s.clipCount));
    EXPECT_TRUE(enabled(kPlay));
    EXPECT_EQ(text(kClipCount), QString::number(s.clipCount));

    PackedBitmap expected;
    ASSERT_TRUE(expected.allocate(320, 240));
    for (int l = 0; l < s.clipCount; ++l) {
        SCOPED_TRACE(l);
        const ClipRecord& clip = s.ClipTable[l];
        const std::string path = folder.string() + "/Duovue_V8" + std::to_string(l + 1) + ".AVI";
        ASSERT_TRUE(std::filesystem::exists(path));

        const auto stream = camera::outputLines(
            camera::commandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                  "stream=codec_name,pix_fmt,width,height,r_frame_rate -of "
                                  "default=nw=1 '" +
                                  path + "'"));
        const std::vector<std::string> wanted = {
            "codec_name=rawvideo", "width=" + std::to_string(clip.width),
            "height=" + std::to_string(clip.height), "pix_fmt=bgr24", "r_frame_rate=15/1"};
        for (const std::string& w : wanted) {
            EXPECT_NE(std::find(stream.begin(), stream.end(), w), stream.end()) << w;
        }
        const auto packets = camera::outputLines(
            camera::commandOutput("ffprobe -v error -select_streams v:0 -show_entries "
                                  "packet=pts_time,size,flags -of csv=p=0 '" +
                                  path + "'"));
        ASSERT_EQ(int(packets.size()), clip.frameCount);
        const int frameBytes = clip.width * clip.height * 3;
        for (int j = 0; j < clip.frameCount; ++j) {
            char expectedLine[64];
            std::snprintf(expectedLine, sizeof expectedLine, "%.6f,%d,K", 8.0 * j / 15.0,
                          frameBytes);
            EXPECT_EQ(packets[j].substr(0, std::string(expectedLine).size()), expectedLine);
        }

        // Decoded top line first; the stored picture's row 0 is its bottom line.
        const std::string frames = camera::commandOutput(
            "ffmpeg -v error -i '" + path + "' -fps_mode passthrough -f rawvideo -pix_fmt rgb24 -");
        ASSERT_EQ(frames.size(), size_t(frameBytes) * clip.frameCount);
        for (int j = 0; j < clip.frameCount; ++j) {
            const int e = clip.firstEntry + j;
            const ColorSettings& c = s.imageColor[e];
            SetColorInfo(c.redGain, c.greenGain, c.blueGain, c.lumaGain, c.awbMode, c.gamma1,
                         c.gamma2, c.lumaGammaOn, c.gamma2On, c.reserved10, c.enhanceOn,
                         c.reserved12);
            GetColorImage(expected.rows(), expected.header(), e);
            int mismatches = 0;
            for (int y = 0; y < clip.height; ++y) {
                const auto* decoded = reinterpret_cast<const uint8_t*>(frames.data()) +
                                      size_t(j) * frameBytes + size_t(y) * clip.width * 3;
                const BYTE* stored = expected.row(clip.height - 1 - y);
                for (int x = 0; x < clip.width; ++x) {
                    mismatches += decoded[3 * x] != stored[3 * x + 2] ||
                                  decoded[3 * x + 1] != stored[3 * x + 1] ||
                                  decoded[3 * x + 2] != stored[3 * x];
                }
            }
            EXPECT_EQ(mismatches, 0) << "frame " << j;
        }
        // Upright: each flat region of the scene looks more like itself than like the region
        // mirrored top to bottom.
        const camera::StoredItem& item = cam().storedItems()[clip.firstEntry];
        const auto regions = item.scene.regions(clip.width, clip.height);
        const auto colourAt = [&](const camera::Region& region) {
            const int cx = region.x + region.width / 2;
            const int cy = region.y + region.height / 2;
            return reinterpret_cast<const uint8_t*>(frames.data()) +
                   (size_t(cy) * clip.width + cx) * 3;
        };
        const auto distance = [](const uint8_t* p, const camera::Rgb& c) {
            return (p[0] - c.r) * (p[0] - c.r) + (p[1] - c.g) * (p[1] - c.g) +
                   (p[2] - c.b) * (p[2] - c.b);
        };
        for (const camera::Region& region : regions) {
            for (const camera::Region& mirror : regions) {
                if (mirror.x != region.x || mirror.y == region.y) continue;
                EXPECT_LT(distance(colourAt(region), region.colour),
                          distance(colourAt(region), mirror.colour))
                    << region.name;
            }
        }
    }
    expected.release();
}

// Four one-frame clips: the ordinal texts, a clip that cannot be written is counted out, the
// up-down control chooses among the files written and "Play" opens the chosen one.
TEST_F(ClipExportTest, UnwritableClipIsSkippedAndPlayOpensTheChosenFile) {
    plug();
    std::array<uint8_t, 256> table;
    table.fill(0x70);
    const uint8_t bytes[] = {0x40, 0xC0, 0x60, 0xE0, 0x00};
    std::copy(std::begin(bytes), std::end(bytes), table.begin());
    cam().overrideImageTable(table);
    std::filesystem::create_directory(folder / "Duovue_V82.AVI");  // cannot be created as a file

    download(MessageAnswer::Yes);
    const SessionState& s = session().state();
    for (const char* m :
         {"Wait ....... while making V8 file", "Wait ....... while saving the 1st V8 file",
          "Wait ....... while saving the 2nd V8 file", "Wait ....... while saving the 3rd V8 file",
          "Wait ....... while saving the 4th V8 file", "V8 files finish saving"}) {
        EXPECT_NE(std::find(messages.begin(), messages.end(), QString(m)), messages.end()) << m;
    }
    EXPECT_EQ(s.clipCount, 3);
    EXPECT_EQ(messages.back(), QStringLiteral("Total 5 DSC images\nTotal 3 V8 files"));
    EXPECT_EQ(text(kClipCount), "3");
    EXPECT_EQ(text(kResolution), "320x240");
    // The box names the clip that could not be saved; nothing half-written stays behind.
    EXPECT_EQ(boxes.back(), "These V8 files could not be saved:\nDuovue_V82.AVI");
    EXPECT_TRUE(std::filesystem::is_directory(folder / "Duovue_V82.AVI"));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder),
                            std::filesystem::directory_iterator()),
              4);

    auto* upDown = control<UpDown>(window(), kClipUpDown);
    EXPECT_EQ(upDown->minimum(), 1);
    EXPECT_EQ(upDown->maximum(), 3);
    upDown->stepBy(1);
    EXPECT_EQ(window().state().currentClipNumber, 2);
    EXPECT_EQ(text(kResolution), "160x120");  // the third clip of the table
    click(kPlay);
    upDown->stepBy(1);
    click(kPlay);
    ASSERT_EQ(opened.size(), 2u);
    EXPECT_EQ(opened[0], folder.string() + "/Duovue_V83.AVI");
    EXPECT_EQ(opened[1], folder.string() + "/Duovue_V84.AVI");
    for (const std::string& path : opened) EXPECT_TRUE(std::filesystem::is_regular_file(path));

    // Beyond the clips written "Play" is disabled.
    window().clipNumberMoved(4);
    EXPECT_FALSE(enabled(kPlay));
}

}  // namespace
}  // namespace zentdesk::testing
