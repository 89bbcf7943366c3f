// snap and stream: the live picture, noise frame first, automatic white balance and gamma 0.8
// as the video mode shows it.
#include <filesystem>
#include <string>

#include "camera_session.h"
#include "commands.h"
#include "exit_status.h"
#include "interrupt.h"
#include "output_folder.h"
#include "pacer.h"
#include "y4m_stream.h"

namespace duovue {

namespace {

// Frames the snapshot waits for the white balance and the exposure to settle.
constexpr int kSettleFrames = 5;

int sizeIndexOf(const FrameSize& size) {
    return size.width == 320 ? 1 : 0;
}

bool wantsBmp(const std::string& name) {
    if (name.size() < 4) return false;
    std::string tail = name.substr(name.size() - 4);
    for (char& c : tail) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return tail == ".bmp";
}

// Live frames with the video mode's colour: stopped when it goes out of scope.
class LivePicture {
  public:
    LivePicture(zentsession::Session& session, CommandObserver& observer, const FrameSize& size)
        : session_(session), observer_(observer), sizeIndex_(sizeIndexOf(size)) {
        session.openPreview(true, true, zentdrv::kPreviewGamma);
        checkResult(session.startPreview(sizeIndex_, observer), observer);
        started_ = true;
    }
    ~LivePicture() {
        if (started_) session_.stopPreview(sizeIndex_, observer_);
    }
    LivePicture(const LivePicture&) = delete;
    LivePicture& operator=(const LivePicture&) = delete;

    // The next frame.
    PictureView next() {
        throwIfInterrupted();
        checkResult(session_.previewTick(sizeIndex_, observer_), observer_);
        const zentsession::PackedBitmap& frame = session_.state().displayImage;
        return PictureView{session_.previewWidth(), session_.previewHeight(), frame.row(0),
                           frame.rowBytes()};
    }

  private:
    zentsession::Session& session_;
    CommandObserver& observer_;
    int sizeIndex_;
    bool started_ = false;
};

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
