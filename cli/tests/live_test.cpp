// snap and stream in-process: the live scene upright in its colours, at both sizes.
#include "cli_fixture.h"
#include "decode.h"

namespace duovue::testing {
namespace {

using LiveTest = CliTest;

TEST_F(LiveTest, SnapWritesOneSettledFrameAndNeverOverAFile) {
    plug();
    Outcome got = run({"snap", "-o", path("shot.png")});
    ASSERT_EQ(got.status, 0) << got.err;
    auto rgb = decodePicture(path("shot.png"));
    ASSERT_EQ(rgb.size(), 320u * 240 * 3);
    EXPECT_TRUE(upright(cam().lastLiveScene().regions(320, 240), rgb.data(), 320));

    got = run({"snap", "--size", "160x120", "-o", path("small.BMP")});
    ASSERT_EQ(got.status, 0) << got.err;
    rgb = decodePicture(path("small.BMP"));
    ASSERT_EQ(rgb.size(), 160u * 120 * 3);
    EXPECT_TRUE(upright(cam().lastLiveScene().regions(160, 120), rgb.data(), 160));

    got = run({"snap", "-o", path("shot.png")});
    EXPECT_EQ(got.status, 4);
    EXPECT_NE(got.err.find(path("shot.png") + " exists"), std::string::npos) << got.err;
}

TEST_F(LiveTest, StreamIsYuv4mpegThatFfmpegDecodesUpright) {
    plug();
    const Outcome got = run({"stream", "--frames", "4", "--fps", "1000"});
    ASSERT_EQ(got.status, 0) << got.err;
    const std::string header = "YUV4MPEG2 W320 H240 F1000:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n";
    ASSERT_EQ(got.out.substr(0, header.size()), header);
    const size_t frameBytes = 6 + 320 * 240 * 3 / 2;
    ASSERT_EQ(got.out.size(), header.size() + 4 * frameBytes);

    const std::string file = path("live.y4m");
    std::ofstream(file, std::ios::binary) << got.out;
    EXPECT_NE(probe(file, "width,height,nb_read_frames").find("nb_read_frames=4"),
              std::string::npos);
    const auto rgb = decodePicture(file);  // every frame, one after the other
    ASSERT_EQ(rgb.size(), 4u * 320 * 240 * 3);
    const auto regions = cam().lastLiveScene().regions(320, 240);
    EXPECT_TRUE(upright(regions, rgb.data() + 3 * 320 * 240 * 3, 320));

    // A camera that is not there: the stream never starts.
    platform::detachUsbDevice(0);
    const Outcome none = run({"stream", "--frames", "1"});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.out, "");
}

}  // namespace
}  // namespace duovue::testing
