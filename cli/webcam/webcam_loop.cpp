// Frame pacing, idling without consumers, and the camera's loss and return.
#include "webcam_loop.h"

#include <algorithm>
#include <thread>

namespace duovue {
namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kCatchUp = std::chrono::milliseconds(250);

// Sleeps until `until`, in short slices so a stop request ends it promptly. False when stopped.
bool sleepUntil(Clock::time_point until, const std::function<bool()>& stopRequested) {
    constexpr auto kSlice = std::chrono::milliseconds(50);
    while (!stopRequested()) {
        const auto now = Clock::now();
        if (now >= until) return true;
        std::this_thread::sleep_for(std::min<Clock::duration>(until - now, kSlice));
    }
    return false;
}

class Run {
  public:
    Run(FrameSource& source, FrameSink& sink, const WebcamOptions& options,
        const std::function<bool()>& stopRequested,
        const std::function<void(const std::string&)>& notice, const LoopTiming& timing)
        : source_(source),
          sink_(sink),
          options_(options),
          stopRequested_(stopRequested),
          notice_(notice),
          timing_(timing) {}

    WebcamEnd run();

  private:
    bool openCamera(bool lost);
    WebcamEnd finish(ExitStatus status, std::string reason = {}) {
        source_.close();
        return {status, std::move(reason)};
    }

    FrameSource& source_;
    FrameSink& sink_;
    const WebcamOptions& options_;
    const std::function<bool()>& stopRequested_;
    const std::function<void(const std::string&)>& notice_;
    const LoopTiming& timing_;
};

// Opens the camera; with `wait`, retries until it answers or a stop is requested. `lost` tells
// whether it answered before, for the message.
bool Run::openCamera(bool lost) {
    if (source_.open(options_.width, options_.height)) return true;
    if (!options_.wait) return false;
    notice_((lost ? std::string("the camera stopped answering") : source_.error()) +
            "; waiting for it");
    while (sleepUntil(Clock::now() + timing_.retryPeriod, stopRequested_)) {
        if (!sink_.failure().empty()) return false;
        if (source_.open(options_.width, options_.height)) {
            notice_("the camera answers again");
            return true;
        }
    }
    return false;
}

WebcamEnd Run::run() {
    if (!openCamera(false)) {
        if (stopRequested_()) return finish(kExitStopped);
        if (sink_.failure().empty()) return finish(kExitUnavailable, source_.error());
    }
    const auto period = std::chrono::nanoseconds(1000000000LL / std::max(options_.fps, 1));
    auto next = Clock::now();
    Frame frame;
    for (;;) {
        if (stopRequested_()) return finish(kExitStopped);
        if (std::string why = sink_.failure(); !why.empty())
            return finish(kExitUnavailable, std::move(why));
        if (!sink_.streaming()) {
            sleepUntil(Clock::now() + timing_.idlePoll, stopRequested_);
            next = Clock::now();
            continue;
        }
        switch (source_.read(frame)) {
            case FrameStatus::Ready:
                sink_.publish(frame);
                break;
            case FrameStatus::Missing:
                break;
            case FrameStatus::Gone:
                if (!options_.wait) return finish(kExitCameraFailed, source_.error());
                source_.close();
                if (!openCamera(true))
                    continue;  // a stop or a failed sink: the checks above end it
                next = Clock::now();
                continue;
        }
        // Paced to the rate. Frames a short stall made late are caught up at once, so a reader
        // still gets the rate; after a long one the schedule starts again from now.
        next += period;
        if (Clock::now() > next + kCatchUp) next = Clock::now();
        sleepUntil(next, stopRequested_);
    }
}

}  // namespace

WebcamEnd runWebcamLoop(FrameSource& source, FrameSink& sink, const WebcamOptions& options,
                        const std::function<bool()>& stopRequested,
                        const std::function<void(const std::string&)>& notice,
                        const LoopTiming& timing) {
    return Run(source, sink, options, stopRequested, notice, timing).run();
}

}  // namespace duovue
