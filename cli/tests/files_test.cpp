// Output files: names, the temporary file renamed when complete, the overwrite rules, and
// pictures that an independent decoder reads back upright and in their colours.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "decode.h"
#include "exit_status.h"
#include "output_folder.h"
#include "picture_file.h"
#include "temp_folder.h"

namespace duovue {
namespace {

namespace fs = std::filesystem;

class Folder : public ::testing::Test {
  protected:
    std::string read(const std::string& name) {
        std::ifstream in(dir + "/" + name, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), {}};
    }
    std::vector<std::string> names() const { return folder.names(); }
    static std::vector<uint8_t> bytes(const std::string& text) {
        return {text.begin(), text.end()};
    }

    testing::TempFolder folder;
    const std::string dir = folder.path();
};

TEST(FileNames, StillsThreeDigitsAndClipsFromOne) {
    EXPECT_EQ(stillFileName(7, PictureFormat::Png), "duovue-007.png");
    EXPECT_EQ(stillFileName(107, PictureFormat::Bmp), "duovue-107.bmp");
    EXPECT_EQ(clipFileName(2), "duovue-clip-2.avi");
}

TEST_F(Folder, WritesCompleteFilesAndNeverReplacesWithoutBeingTold) {
    OutputFolder folder(dir);
    folder.write("a.png", false, bytes("first"));
    EXPECT_EQ(read("a.png"), "first");
    struct stat st {};
    ASSERT_EQ(::stat((dir + "/a.png").c_str(), &st), 0);
    const mode_t mask = ::umask(0);
    ::umask(mask);
    EXPECT_EQ(st.st_mode & 0777, 0666u & ~mask);

    try {
        folder.write("a.png", false, bytes("second"));
        ADD_FAILURE() << "replaced an existing file";
    } catch (const Failure& f) {
        EXPECT_EQ(f.status(), Exit::FileFailed);
        EXPECT_NE(std::string(f.what()).find(dir + "/a.png"), std::string::npos) << f.what();
        EXPECT_NE(std::string(f.what()).find("File exists"), std::string::npos) << f.what();
    }
    EXPECT_EQ(read("a.png"), "first");
    folder.write("a.png", true, bytes("third"));
    EXPECT_EQ(read("a.png"), "third");
    EXPECT_EQ(names(), std::vector<std::string>{"a.png"});  // no temporary file left
}

TEST_F(Folder, AFailedOrThrowingWriterLeavesNothingBehind) {
    OutputFolder folder(dir + "/");
    std::string seen;
    EXPECT_THROW(folder.write("b.avi", false,
                              [&](const std::string& temp) {
                                  seen = temp;
                                  std::ofstream(temp) << "partial";
                                  return false;
                              }),
                 Failure);
    EXPECT_EQ(fs::path(seen).parent_path(), fs::path(dir));
    EXPECT_TRUE(fs::path(seen).filename().string().starts_with(".b.avi."));
    EXPECT_THROW(folder.write("b.avi", false,
                              [&](const std::string& temp) -> bool {
                                  std::ofstream(temp) << "partial";
                                  throw std::runtime_error("stopped");
                              }),
                 std::runtime_error);
    EXPECT_TRUE(names().empty());
}

TEST_F(Folder, NoFolderNoWrite) {
    std::ofstream(dir + "/plain") << "x";
    for (const std::string& bad : {dir + "/plain", dir + "/missing"}) {
        try {
            OutputFolder folder(bad);
            ADD_FAILURE() << bad;
        } catch (const Failure& f) {
            EXPECT_EQ(f.status(), Exit::FileFailed);
            EXPECT_NE(std::string(f.what()).find(bad), std::string::npos);
        }
    }
}

// A bottom-up 24-bit picture with a distinct colour in each corner.
struct Corners {
    static constexpr int w = 6, h = 4;
    std::vector<uint8_t> bgr = std::vector<uint8_t>(w * h * 3, 128);
    Corners() {
        // Memory row 0 is the bottom line: bottom-left red, bottom-right green.
        set(0, 0, 255, 0, 0);
        set(w - 1, 0, 0, 255, 0);
        set(0, h - 1, 0, 0, 255);        // top-left blue
        set(w - 1, h - 1, 255, 255, 0);  // top-right yellow
    }
    void set(int x, int row, uint8_t r, uint8_t g, uint8_t b) {
        uint8_t* p = bgr.data() + (row * w + x) * 3;
        p[0] = b;
        p[1] = g;
        p[2] = r;
    }
    PictureView view() const { return {w, h, bgr.data(), static_cast<size_t>(w) * 3}; }
};

TEST_F(Folder, PngAndBmpReadBackUprightInTheirColours) {
    const Corners picture;
    OutputFolder folder(dir);
    folder.write("c.png", false, encodePng(picture.view()));
    folder.write("c.bmp", false, encodeBmp(picture.view()));
    for (const char* name : {"c.png", "c.bmp"}) {
        const auto rgb = testing::decodePicture(dir + "/" + name);
        ASSERT_EQ(rgb.size(), size_t{Corners::w * Corners::h * 3}) << name;
        const auto at = [&](int x, int y) {
            const uint8_t* p = rgb.data() + (y * Corners::w + x) * 3;
            return std::vector<int>{p[0], p[1], p[2]};
        };
        EXPECT_EQ(at(0, 0), (std::vector<int>{0, 0, 255})) << name;    // top-left blue
        EXPECT_EQ(at(5, 0), (std::vector<int>{255, 255, 0})) << name;  // top-right yellow
        EXPECT_EQ(at(0, 3), (std::vector<int>{255, 0, 0})) << name;    // bottom-left red
        EXPECT_EQ(at(5, 3), (std::vector<int>{0, 255, 0})) << name;    // bottom-right green
        EXPECT_EQ(at(2, 1), (std::vector<int>{128, 128, 128})) << name;
    }
    // Gray PNG: one sample per pixel, the blue byte's level.
    folder.write("g.png", false, encodePng(picture.view(), true));
    const auto gray = testing::decodePicture(dir + "/g.png", "gray");
    ASSERT_EQ(gray.size(), size_t{Corners::w * Corners::h});
    EXPECT_EQ(gray[0], 255);  // top-left: blue 255
    EXPECT_EQ(gray[3 * Corners::w], 0);
    EXPECT_EQ(gray[Corners::w + 2], 128);
}

}  // namespace
}  // namespace duovue
