// The webcam's main loop: opens the camera, captures a frame per period while a consumer reads,
// hands each to the sink, and decides how the run ends.
#pragma once

#include <chrono>
#include <functional>
#include <string>

#include "frame_sink.h"
#include "frame_source.h"

namespace duovue {

struct WebcamOptions {
    int width = 320;
    int height = 240;
    int fps = 15;
    bool wait = false;  // a camera that is missing or vanishes is waited for
};

// How `duovue webcam` ends: its exit status, and for a failure the one-line reason.
enum ExitStatus : int {
    kExitStopped = 0,       // stop requested (Ctrl-C, SIGTERM)
    kExitUnavailable = 2,   // no camera answers, or PipeWire is not running or went away
    kExitCameraFailed = 3,  // the camera stopped answering during the live picture
};

struct WebcamEnd {
    ExitStatus status = kExitStopped;
    std::string reason;
};

struct LoopTiming {
    std::chrono::milliseconds idlePoll{50};       // how often an idle run looks for a consumer
    std::chrono::milliseconds retryPeriod{1000};  // between attempts to reopen a missing camera
};

// Runs until a stop is requested, the sink fails or the camera is lost (for good, without
// `options.wait`). While waiting for the camera it says so through `notice`, one line each.
WebcamEnd runWebcamLoop(FrameSource& source, FrameSink& sink, const WebcamOptions& options,
                        const std::function<bool()>& stopRequested,
                        const std::function<void(const std::string&)>& notice,
                        const LoopTiming& timing = {});

}  // namespace duovue
