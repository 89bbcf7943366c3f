// The real program against the real duovue-sim: the four kinds of store, the exit statuses, a
// stream read by ffprobe from a pipe, a reader that goes away, the camera killed and Ctrl-C part
// way, and what happens only on a terminal (the erase question, the progress line).
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "decode.h"
#include "program.h"
#include "sim_process.h"
#include "temp_folder.h"

namespace duovue::testing {
namespace {

namespace fs = std::filesystem;
using Streams = Program::Streams;

class ProgramTest : public ::testing::Test {
  protected:
    std::vector<std::string> files() const { return folder.names(); }
    static size_t count(const std::string& text, const std::string& what) {
        size_t n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
            ++n;
        }
        return n;
    }

    TempFolder folder;
    const std::string dir = folder.path();
};

// A binary PPM of one flat colour.
void writePpm(const std::string& path, int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    std::ofstream out(path, std::ios::binary);
    out << "P6\n" << width << " " << height << "\n255\n";
    for (int i = 0; i < width * height; ++i) out << char(r) << char(g) << char(b);
}

TEST_F(ProgramTest, UsageVersionAndNoCamera) {
    Program bare({});
    EXPECT_EQ(bare.finish(), 1);
    EXPECT_EQ(bare.err(), "duovue: no command given\ntry duovue --help\n");
    Program version({"--version"});
    EXPECT_EQ(version.finish(), 0);
    EXPECT_TRUE(version.out().starts_with("duovue ")) << version.out();
    Program help({"stream", "--help"});
    EXPECT_EQ(help.finish(), 0);
    EXPECT_NE(help.out().find("--fps N"), std::string::npos);

    // A socket left behind by a camera that died answers nothing.
    camera::SimProcess sim;
    sim.kill();
    Program list({"list"});
    EXPECT_EQ(list.finish(), 2);
    EXPECT_EQ(list.err(), "duovue: no camera answers\n");
    Program devices({"devices"});
    EXPECT_EQ(devices.finish(), 2);
}

TEST_F(ProgramTest, DefaultEmptyFullAndDirectoryStores) {
    {
        camera::SimProcess sim({"--store", "full"}, 2);
        Program devices({"devices"});
        EXPECT_EQ(devices.finish(), 0);
        EXPECT_EQ(devices.out(), "usbscan2 1D5C:0A15 simulator\n");
        Program list({"list", "--json"});
        EXPECT_EQ(list.finish(), 0) << list.err();
        EXPECT_EQ(count(list.out(), "\"kind\": \"still\""), 107u);
    }
    {
        camera::SimProcess sim({"--store", "empty"});
        Program get({"get", "--dir", dir});
        EXPECT_EQ(get.finish(), 0) << get.err();
        EXPECT_TRUE(files().empty());
    }
    {
        // Two stills and a clip of two frames, of known colours.
        const std::string store = dir + "/store";
        fs::create_directory(store);
        writePpm(store + "/a.ppm", 320, 240, 200, 40, 40);
        writePpm(store + "/b.ppm", 160, 120, 40, 40, 200);
        writePpm(store + "/c.v8-x.ppm", 320, 240, 40, 200, 40);
        writePpm(store + "/d.v8-x.ppm", 320, 240, 40, 200, 40);
        camera::SimProcess sim({"--store", store});
        const std::string out = dir + "/out";
        fs::create_directory(out);
        Program get({"get", "--dir", out});
        ASSERT_EQ(get.finish(), 0) << get.err();
        EXPECT_EQ(get.err(), "");
        const auto a = decodePicture(out + "/duovue-001.png");
        const auto b = decodePicture(out + "/duovue-002.png");
        ASSERT_EQ(a.size(), 320u * 240 * 3);
        ASSERT_EQ(b.size(), 160u * 120 * 3);
        const uint8_t* centreA = a.data() + (120 * 320 + 160) * 3;
        const uint8_t* centreB = b.data() + (60 * 160 + 80) * 3;
        EXPECT_GT(centreA[0], centreA[2] + 60);  // red stays red
        EXPECT_GT(centreB[2], centreB[0] + 60);  // blue stays blue
        EXPECT_NE(
            probe(out + "/duovue-clip-1.avi", "width,nb_read_frames").find("nb_read_frames=2"),
            std::string::npos);
        EXPECT_FALSE(fs::exists(out + "/duovue-003.png"));
    }
}

TEST_F(ProgramTest, StreamThroughAPipeAndAReaderThatGoesAway) {
    camera::SimProcess sim;
    const std::string probed =
        commandOutput("'" DUOVUE_PATH
                      "' stream --size 160x120 --frames 12 --fps 1000 | ffprobe -v error "
                      "-count_frames -show_entries stream=width,height,nb_read_frames,r_frame_rate "
                      "-of default=nw=1 -");
    EXPECT_NE(probed.find("width=160"), std::string::npos) << probed;
    EXPECT_NE(probed.find("height=120"), std::string::npos) << probed;
    EXPECT_NE(probed.find("nb_read_frames=12"), std::string::npos) << probed;
    EXPECT_NE(probed.find("r_frame_rate=1000/1"), std::string::npos) << probed;

    // The reader takes the header and a frame, then goes away: the program ends well, silently.
    Program stream({"stream", "--fps", "1000"});
    ASSERT_TRUE(stream.waitFor("", 20000, 200000));
    stream.closeOutput();
    EXPECT_EQ(stream.finish(20000), 0);
    EXPECT_EQ(stream.err(), "");
}

TEST_F(ProgramTest, CameraKilledDuringGetLeavesOnlyWhatWasThere) {
    std::ofstream(dir + "/duovue-001.png") << "mine";
    camera::SimProcess sim;
    Program get({"get", "--dir", dir, "--skip-existing"}, Streams::Terminal);
    ASSERT_TRUE(get.waitFor("noise frame")) << get.screen();
    sim.kill();
    EXPECT_EQ(get.finish(), 3);
    EXPECT_NE(get.screen().find("duovue: the camera failed at the "), std::string::npos)
        << get.screen();
    EXPECT_EQ(files(), std::vector<std::string>{"duovue-001.png"});
}

TEST_F(ProgramTest, CtrlCEndsGetAndStreamKeepingFinishedFiles) {
    camera::SimProcess sim;
    {
        // During the camera's opening, which sleeps: the program is cut short within a second.
        Program get({"get", "--dir", dir}, Streams::Terminal);
        ASSERT_TRUE(get.waitFor("opening the camera")) << get.screen();
        const auto signalled = std::chrono::steady_clock::now();
        get.signal(SIGINT);
        EXPECT_EQ(get.finish(), 130);
        EXPECT_LT(std::chrono::steady_clock::now() - signalled, std::chrono::milliseconds(2000));
        EXPECT_TRUE(files().empty());
    }
    {
        // While the pictures are written: it stops at the next one.
        Program get({"get", "--dir", dir}, Streams::Terminal);
        ASSERT_TRUE(get.waitFor("pictures 3/")) << get.screen();
        get.signal(SIGTERM);
        EXPECT_EQ(get.finish(), 130);
        const auto written = files();
        EXPECT_GE(written.size(), 2u);
        for (const std::string& name : written) {
            ASSERT_FALSE(name.starts_with(".")) << name;
            EXPECT_EQ(decodePicture(dir + "/" + name).size() % (160 * 120 * 3), 0u) << name;
        }
    }
    Program stream({"stream"});
    ASSERT_TRUE(stream.waitFor("FRAME\n"));
    stream.signal(SIGINT);
    EXPECT_EQ(stream.finish(), 130);
}

TEST_F(ProgramTest, OnATerminalEraseAsksAndGetShowsItsProgress) {
    camera::SimProcess sim;
    {
        Program get({"get", "--dir", dir}, Streams::Terminal);
        EXPECT_EQ(get.finish(), 0) << get.screen();
        const std::string& screen = get.screen();
        for (const char* step :
             {"\r\033[Kopening the camera", "\r\033[Knoise frame", "\r\033[Ktable", "\r\033[Kstore",
              "\r\033[Kpictures 12/12 100%", "\r\033[Kclips 3/3 100%"}) {
            EXPECT_NE(screen.find(step), std::string::npos) << step;
        }
        EXPECT_TRUE(screen.ends_with("\r\033[K12 pictures and 3 clips written to " + dir + "\r\n"))
            << screen;
        Program quiet({"get", "--dir", dir, "--skip-existing", "--quiet"}, Streams::Terminal);
        EXPECT_EQ(quiet.finish(), 0);
        EXPECT_EQ(quiet.screen(), "");
    }
    Program no({"erase"}, Streams::Terminal);
    ASSERT_TRUE(no.waitFor("Erase all 27 pictures on the camera? [y/N] ")) << no.screen();
    no.type("n\n");
    EXPECT_EQ(no.finish(), 0);
    EXPECT_NE(no.screen().find("Nothing was erased."), std::string::npos);

    Program yes({"erase"}, Streams::Terminal);
    ASSERT_TRUE(yes.waitFor("[y/N] ")) << yes.screen();
    yes.type("y\n");
    EXPECT_EQ(yes.finish(), 0) << yes.screen();
    Program list({"list", "--json"});
    EXPECT_EQ(list.finish(), 0);
    EXPECT_EQ(list.out(), "[]\n");
}

}  // namespace
}  // namespace duovue::testing
