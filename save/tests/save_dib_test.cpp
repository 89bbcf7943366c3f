// SaveDIB: the chosen name decides the format, files read back upright, and bad handles or a
// cancelled choice write nothing and leave the caller's handle as it was.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>
#include <QGuiApplication>

#include <QImage>
#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "save.h"

namespace {

namespace fs = std::filesystem;

struct ChosenName {
    std::string path;
    int asked = 0;
};

int choose(char* path, int capacity, void* context) {
    auto* chosen = static_cast<ChosenName*>(context);
    ++chosen->asked;
    if (chosen->path.empty()) return 0;
    std::snprintf(path, static_cast<size_t>(capacity), "%s", chosen->path.c_str());
    return 1;
}

// Colour of picture pixel (x, y), y from the top.
QRgb expected(int x, int y) {
    return qRgb((x * 7) & 255, (y * 5) & 255, (x + y) & 255);
}

// A packed bottom-up 24-bit bitmap with the test pattern, as the driver lays them out.
HGLOBAL makeBitmap(int width, int height, WORD bits = 24) {
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + stride * height);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = bits;
    auto* pixels = reinterpret_cast<BYTE*>(header + 1);
    for (int row = 0; row < height; ++row) {
        const int y = height - 1 - row;
        for (int x = 0; x < width; ++x) {
            BYTE* p = pixels + row * stride + x * 3;
            const QRgb c = expected(x, y);
            p[0] = static_cast<BYTE>(qBlue(c));
            p[1] = static_cast<BYTE>(qGreen(c));
            p[2] = static_cast<BYTE>(qRed(c));
        }
    }
    GlobalUnlock(mem);
    return mem;
}

class SaveDibTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/save-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        SetSaveDIBChooser(choose, &chosen);
    }
    void TearDown() override {
        SetSaveDIBChooser(nullptr, nullptr);
        fs::remove_all(folder);
    }
    void expectPattern(const QImage& image, int width, int height) {
        ASSERT_EQ(image.width(), width);
        ASSERT_EQ(image.height(), height);
        for (int y = 0; y < height; y += 7)
            for (int x = 0; x < width; x += 5)
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFF, expected(x, y) & 0xFFFFFF) << x << "," << y;
    }
    fs::path folder;
    ChosenName chosen;
};

TEST_F(SaveDibTest, WritesBmpUprightAndKeepsNoHold) {
    HGLOBAL mem = makeBitmap(320, 240);
    chosen.path = (folder / "picture.bmp").string();
    EXPECT_EQ(SaveDIB(mem), 1);
    EXPECT_EQ(chosen.asked, 1);

    std::ifstream in(chosen.path, std::ios::binary);
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_EQ(bytes.size(), 54u + 320 * 240 * 3);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    QImage image(QString::fromStdString(chosen.path));
    expectPattern(image, 320, 240);

    // The handle is back unlocked and the caller frees it.
    EXPECT_EQ(GlobalUnlock(mem), 0);
    EXPECT_EQ(GlobalFree(mem), nullptr);
}

TEST_F(SaveDibTest, PngWhenTheNameSaysSoAndOddWidths) {
    // 161 pixels of 3 bytes: rows are padded to 4 bytes, as in every DIB.
    HGLOBAL mem = makeBitmap(161, 120);
    chosen.path = (folder / "picture.PNG").string();
    EXPECT_EQ(SaveDIB(mem), 1);
    QImage image(QString::fromStdString(chosen.path), "PNG");
    expectPattern(image, 161, 120);
    GlobalFree(mem);
}

TEST_F(SaveDibTest, CancelAndBadInputWriteNothing) {
    HGLOBAL good = makeBitmap(64, 32);
    chosen.path.clear();
    EXPECT_EQ(SaveDIB(good), 0);  // cancelled
    EXPECT_EQ(chosen.asked, 1);

    chosen.path = (folder / "x.bmp").string();
    EXPECT_EQ(SaveDIB(nullptr), 0);
    HGLOBAL gray = makeBitmap(64, 32, 8);
    EXPECT_EQ(SaveDIB(gray), 0);
    // A header that claims more rows than the block holds.
    HGLOBAL shortBlock = makeBitmap(64, 32);
    static_cast<BITMAPINFOHEADER*>(GlobalLock(shortBlock))->biHeight = 33;
    GlobalUnlock(shortBlock);
    EXPECT_EQ(SaveDIB(shortBlock), 0);
    HGLOBAL tiny = GlobalAlloc(GMEM_MOVEABLE, 20);
    EXPECT_EQ(SaveDIB(tiny), 0);
    // Bad input is refused before anyone is asked for a name.
    EXPECT_EQ(chosen.asked, 1);
    EXPECT_FALSE(fs::exists(chosen.path));

    // A folder that does not exist: nothing written, nothing left.
    chosen.path = (folder / "missing" / "x.bmp").string();
    EXPECT_EQ(SaveDIB(good), 0);
    EXPECT_TRUE(fs::is_empty(folder));
    for (HGLOBAL mem : {good, gray, shortBlock, tiny}) EXPECT_EQ(GlobalFree(mem), nullptr);
}

TEST_F(SaveDibTest, AFailedSaveKeepsWhatWasThere) {
    HGLOBAL mem = makeBitmap(320, 240);
    const auto writeOld = [](const fs::path& path) { std::ofstream(path) << "old contents"; };
    const auto contents = [](const fs::path& path) {
        std::ifstream in(path);
        return std::string((std::istreambuf_iterator<char>(in)), {});
    };
    const auto onlyNames = [&](std::vector<std::string> names) {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(folder))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        EXPECT_EQ(found, names);
    };

    // A folder at the chosen name is never replaced, nor emptied.
    fs::create_directory(folder / "pic.png");
    chosen.path = (folder / "pic.png").string();
    EXPECT_EQ(SaveDIB(mem), 0);
    EXPECT_TRUE(fs::is_directory(folder / "pic.png"));
    fs::remove(folder / "pic.png");

    // A disk that fills up mid-write (a file size limit here): the old file stays whole and the
    // unfinished new one is gone.
    writeOld(folder / "keep.bmp");
    chosen.path = (folder / "keep.bmp").string();
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    const int full = SaveDIB(mem);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);
    EXPECT_EQ(full, 0);
    EXPECT_EQ(contents(folder / "keep.bmp"), "old contents");
    onlyNames({"keep.bmp"});

    // A read-only file is kept (root may write it regardless).
    if (geteuid() != 0) {
        fs::permissions(folder / "keep.bmp", fs::perms::owner_read);
        EXPECT_EQ(SaveDIB(mem), 0);
        EXPECT_EQ(contents(folder / "keep.bmp"), "old contents");
        fs::permissions(folder / "keep.bmp", fs::perms::owner_read | fs::perms::owner_write);
    }

    // A good save replaces the old file, also through a link, which stays a link.
    EXPECT_EQ(SaveDIB(mem), 1);
    expectPattern(QImage(QString::fromStdString(chosen.path)), 320, 240);
    fs::create_symlink("keep.bmp", folder / "link.png");
    chosen.path = (folder / "link.png").string();
    EXPECT_EQ(SaveDIB(mem), 1);
    EXPECT_TRUE(fs::is_symlink(folder / "link.png"));
    expectPattern(QImage(QString::fromStdString((folder / "keep.bmp").string()), "PNG"), 320, 240);
    onlyNames({"keep.bmp", "link.png"});
    GlobalFree(mem);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
