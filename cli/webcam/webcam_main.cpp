// duovue-webcam: the webcam as a program of its own.
//   duovue-webcam [--size 160x120|320x240] [--fps N] [--name TEXT] [--wait]
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <charconv>
#include <cstring>
#include <iostream>
#include <string_view>

#include "pipewire_camera.h"
#include "session_frame_source.h"
#include "webcam_loop.h"

namespace {

constexpr const char* kUsage =
    "usage: duovue-webcam [--size 160x120|320x240] [--fps N] [--name TEXT] [--wait]\n"
    "Publishes the camera's live picture as a PipeWire camera until Ctrl-C.\n";

// The program's one state record: the stop request of Ctrl-C and SIGTERM.
struct StopState {
    std::atomic<bool> requested{false};
    std::atomic<zentsession::Session*> session{nullptr};
};

StopState& stopState() {
    static StopState s;
    return s;
}

void onStopSignal(int) {
    StopState& s = stopState();
    s.requested.store(true);
    if (zentsession::Session* session = s.session.load()) session->requestStop();
}

int usage(const std::string& reason) {
    std::cerr << "duovue: " << reason << "\ntry duovue-webcam --help\n";
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    duovue::WebcamOptions options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help") {
            std::cout << kUsage;
            return 0;
        } else if (arg == "--wait") {
            options.wait = true;
        } else if (arg == "--size" && hasValue) {
            const std::string_view v = argv[++i];
            if (v != "160x120" && v != "320x240")
                return usage("--size must be 160x120 or 320x240, not '" + std::string(v) + "'");
            options.width = v == "160x120" ? 160 : 320;
            options.height = v == "160x120" ? 120 : 240;
        } else if (arg == "--fps" && hasValue) {
            const std::string_view v = argv[++i];
            int fps = 0;
            const auto [end, error] = std::from_chars(v.data(), v.data() + v.size(), fps);
            if (error != std::errc() || end != v.data() + v.size() || fps < 1 || fps > 1000)
                return usage("--fps needs a whole number from 1 to 1000, not '" + std::string(v) +
                             "'");
            options.fps = fps;
        } else if (arg == "--name" && hasValue) {
            options.name = argv[++i];
            if (options.name.empty()) return usage("--name needs a text");
        } else {
            return usage("unknown option '" + std::string(arg) + "'");
        }
    }

    struct sigaction action {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    std::string error;
    auto node = duovue::publishPipeWireCamera(
        {options.width, options.height, options.fps, options.name}, &error);
    if (!node) {
        std::cerr << "duovue: " << error << "\n";
        return duovue::kExitUnavailable;
    }
    if (isatty(STDERR_FILENO))
        std::cerr << "duovue: \"" << options.name << "\" is a PipeWire camera now; Ctrl-C stops\n";

    zentsession::Session session;
    session.start();
    stopState().session.store(&session);
    if (stopState().requested.load()) session.requestStop();
    duovue::WebcamEnd end;
    {
        duovue::SessionFrameSource source(session);
        end = duovue::runWebcamLoop(
            source, *node, options, [] { return stopState().requested.load(); },
            [](const std::string& text) { std::cerr << "duovue: " << text << "\n"; });
    }
    stopState().session.store(nullptr);
    session.end();
    node.reset();
    if (!end.reason.empty()) std::cerr << "duovue: " << end.reason << "\n";
    return end.status;
}
