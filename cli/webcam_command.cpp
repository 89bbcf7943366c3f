// webcam: the live picture as a PipeWire camera until Ctrl-C or SIGTERM.
#include <optional>
#include <string>

#include "camera_session.h"
#include "commands.h"
#include "exit_status.h"
#include "interrupt.h"
#include "live_picture.h"
#include "pipewire_camera.h"
#include "webcam_loop.h"

namespace duovue {

namespace {

// The session's live picture as the webcam's frames; a failure becomes the error text, an
// interrupt a missing frame (the loop then sees the stop).
class LiveFrameSource : public FrameSource {
  public:
    LiveFrameSource(zentsession::Session& session, CommandObserver& observer)
        : session_(session), observer_(observer) {}

    bool open(int width, int height) override {
        live_.reset();
        try {
            live_.emplace(session_, observer_, FrameSize{width, height});
            return true;
        } catch (const Failure& failure) {
            error_ = failure.what();
            return false;
        }
    }

    FrameStatus read(Frame& frame) override {
        if (!live_) return FrameStatus::Gone;
        try {
            const PictureView picture = live_->next();
            frame = Frame{picture.width, picture.height, picture.bottomRow, picture.stride};
            return FrameStatus::Ready;
        } catch (const Failure& failure) {
            if (failure.status() == Exit::Interrupted) return FrameStatus::Missing;
            error_ = failure.what();
            return FrameStatus::Gone;
        }
    }

    void close() override { live_.reset(); }
    std::string error() const override { return error_; }

  private:
    zentsession::Session& session_;
    CommandObserver& observer_;
    std::optional<LivePicture> live_;
    std::string error_;
};

}  // namespace

void runWebcam(const Options& options, const Console& console, zentsession::Session& session) {
    std::string error;
    const auto node = publishPipeWireCamera(
        {options.size.width, options.size.height, options.fps, options.name}, &error);
    if (!node) throw Failure(Exit::NoCamera, error);
    if (console.errIsTerminal) {
        console.printError("duovue: \"" + options.name +
                           "\" is a PipeWire camera now; Ctrl-C stops it\n");
    }

    Progress quiet(console.err, false);
    CommandObserver observer(quiet);
    LiveFrameSource source(session, observer);
    WebcamOptions loop;
    loop.width = options.size.width;
    loop.height = options.size.height;
    loop.fps = options.fps;
    loop.wait = options.wait;
    const WebcamEnd end = runWebcamLoop(
        source, *node, loop, interruptRequested,
        [&console](const std::string& text) { console.printError("duovue: " + text + "\n"); });
    if (end.status != kExitStopped) throw Failure(static_cast<Exit>(end.status), end.reason);
}

}  // namespace duovue
