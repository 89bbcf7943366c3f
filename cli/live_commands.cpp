// snap and stream: the live picture, noise frame first, automatic white balance and gamma 0.8
// as the video mode shows it.
#include <filesystem>
#include <string>

#include "camera_session.h"
#include "commands.h"
#include "exit_status.h"
#include "interrupt.h"
#include "live_picture.h"
#include "output_folder.h"
#include "pacer.h"
#include "y4m_stream.h"

namespace duovue {

namespace {

// Frames the snapshot waits for the white balance and the exposure to settle.
constexpr int kSettleFrames = 5;

bool wantsBmp(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".bmp";
}

}  // namespace

void runSnap(const Options& options, const Console& console, zentsession::Session& session) {
    const std::filesystem::path path(options.output);
    const std::string dir = path.has_parent_path() ? path.parent_path().string() : ".";
    const std::string name = path.filename().string();
    OutputFolder folder(dir);
    if (name.empty() || name == "." || name == "..") {
        throw Failure(Exit::FileFailed, "cannot write " + options.output + ": not a file name");
    }
    if (folder.exists(name)) {
        throw Failure(Exit::FileFailed,
                      options.output + " exists; remove it or name another file with -o");
    }
    Progress progress(console.err, console.errIsTerminal);
    CommandObserver observer(progress);
    LivePicture live(session, observer, options.size);
    PictureView frame;
    for (int i = 0; i < kSettleFrames; ++i) frame = live.next();
    progress.clear();
    folder.write(name, false, wantsBmp(name) ? encodeBmp(frame) : encodePng(frame));
}

void runStream(const Options& options, const Console& console, zentsession::Session& session) {
    Progress quiet(console.err, false);
    CommandObserver observer(quiet);
    LivePicture live(session, observer, options.size);
    PictureView frame = live.next();
    Y4mFrameWriter writer(frame.width, frame.height);
    console.print(y4mHeader(frame.width, frame.height, options.fps));
    Pacer pacer(options.fps);
    for (uint64_t n = 0; !options.frames || n < *options.frames; ++n) {
        if (n > 0) frame = live.next();
        const std::vector<uint8_t>& bytes = writer.convert(frame);
        sleepUnlessInterrupted(pacer.next(Pacer::Clock::now()));
        throwIfInterrupted();
        console.print({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
    }
}

}  // namespace duovue
