// Clip export without any window: files read back by ffprobe, and what a write failure leaves.
#include <sys/resource.h>

#include <csignal>
#include <fstream>

#include "host_checks.h"
#include "session_test_support.h"

namespace zentsession::testing {
namespace {

class ClipsTest : public SessionTest {
  protected:
    std::string readFile(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
};

// Every clip of the default store under names of the caller's choosing: ffprobe reads each back
// with its size and frame count, and nothing else is left in the folder.
TEST_F(ClipsTest, DefaultStoreClipsReadBack) {
    plug();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    const int clips = session.scanClips();
    ASSERT_GT(clips, 0);
    std::vector<std::string> expectedFiles;
    for (int l = 0; l < clips; ++l) {
        SCOPED_TRACE(l);
        const ClipRecord& clip = session.state().ClipTable[l];
        const std::string path = clipPath(l + 1);
        ASSERT_EQ(session.exportClip(l, path, recorder), Result::Done);
        expectedFiles.push_back("clip-" + std::to_string(l + 1) + ".avi");
        const auto stream = camera::outputLines(camera::commandOutput(
            "ffprobe -v error -select_streams v:0 -show_entries stream=width,height,nb_frames "
            "-of default=nw=1 '" +
            path + "'"));
        const std::vector<std::string> wanted = {"width=" + std::to_string(clip.width),
                                                 "height=" + std::to_string(clip.height)};
        for (const std::string& w : wanted)
            EXPECT_NE(std::find(stream.begin(), stream.end(), w), stream.end()) << w;
        const auto packets = camera::outputLines(camera::commandOutput(
            "ffprobe -v error -select_streams v:0 -show_entries packet=size -of csv=p=0 '" + path +
            "'"));
        EXPECT_EQ(int(packets.size()), clip.frameCount);
    }
    // No clip of that number, or no name: nothing is written and nothing is asked.
    EXPECT_EQ(session.exportClip(clips, clipPath(99), recorder), Result::WriteFailed);
    EXPECT_EQ(session.exportClip(-1, clipPath(99), recorder), Result::WriteFailed);
    EXPECT_EQ(session.exportClip(0, "", recorder), Result::WriteFailed);
    EXPECT_EQ(folderFiles(), expectedFiles);
    EXPECT_TRUE(recorder.only("notice: ").empty());
}

// A disk that fills up after the first clip: the first clip is written, the two others leave
// nothing behind (an older file of the same name stays as it was), and the user is told which
// clips could not be saved instead of "All V8 files ...".
TEST_F(ClipsTest, FullDiskLeavesNoDamagedFilesAndSaysWhichClipsFailed) {
    plug();
    std::array<uint8_t, 256> table;
    table.fill(0x70);
    // One 160 x 120 frame, then four and three 320 x 240 frames (markers toggle between clips).
    const uint8_t bytes[] = {0x60, 0xC0, 0xC0, 0xC0, 0xC0, 0x40, 0x40, 0x40};
    std::copy(std::begin(bytes), std::end(bytes), table.begin());
    cam().overrideImageTable(table);
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    ASSERT_EQ(session.scanClips(), 3);
    {
        std::ofstream old(clipPath(2), std::ios::binary);
        old << "an older clip";
    }

    // Files may grow to 200 KB: room for 57,600 bytes of pixels, not for 921,600.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 200 * 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    recorder.log.clear();
    const Result result =
        session.saveClips(recorder, [this](int number) { return clipPath(number); });
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previous);

    EXPECT_EQ(result, Result::WriteFailed);
    EXPECT_EQ(folderFiles(), (std::vector<std::string>{"clip-1.avi", "clip-2.avi"}));
    EXPECT_EQ(readFile(clipPath(2)), "an older clip");
    EXPECT_EQ(camera::outputLines(
                  camera::commandOutput(
                      "ffprobe -v error -select_streams v:0 -show_entries packet=size -of "
                      "csv=p=0 '" +
                      clipPath(1) + "'"))
                  .size(),
              1u);
    EXPECT_EQ(
        recorder.only("notice: "),
        (std::vector<std::string>{"These V8 files could not be saved:\nclip-2.avi\nclip-3.avi"}));
    EXPECT_EQ(recorder.only("counter: "), (std::vector<std::string>{"Clips 1"}));
    EXPECT_EQ(session.state().clipCount, 1);
    EXPECT_EQ(session.state().writtenClip[0], 0);
}

// No clip can be written at all: none is playable, and the user hears which failed.
TEST_F(ClipsTest, NoClipWrittenForgetsTheClips) {
    plug();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    const int clips = session.scanClips();
    ASSERT_GT(clips, 0);
    recorder.log.clear();
    const std::string missing = (folder / "no-such-folder" / "clip.avi").string();
    EXPECT_EQ(session.saveClips(recorder, [&](int) { return missing; }), Result::WriteFailed);
    EXPECT_EQ(recorder.only("counter: "), (std::vector<std::string>{"Clips 0"}));
    ASSERT_EQ(recorder.only("notice: ").size(), 1u);
    EXPECT_EQ(recorder.only("notice: ")[0].rfind("These V8 files could not be saved:\nclip.avi", 0),
              0u);
    EXPECT_EQ(session.state().clipCount, 0);
}

// A stop during a clip removes its unfinished file and keeps the clips already written.
TEST_F(ClipsTest, StopRemovesTheUnfinishedClip) {
    plug();
    ASSERT_EQ(session.fetchStore(recorder), Result::Done);
    ASSERT_GT(session.scanClips(), 1);
    recorder.onMessage = [&](const std::string& text) {
        if (text == "Wait ....... while saving the 2nd V8 file") session.requestStop();
    };
    EXPECT_EQ(session.saveClips(recorder, [this](int number) { return clipPath(number); }),
              Result::Stopped);
    EXPECT_EQ(folderFiles(), (std::vector<std::string>{"clip-1.avi"}));
    session.clearStop();
}

}  // namespace
}  // namespace zentsession::testing
