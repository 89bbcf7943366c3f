// Development driver: duovue-webcam-dev [--size WxH] [--fps N] [--name T] [--wait]
#include <atomic>
#include <csignal>
#include <cstring>
#include <iostream>
#include <string>

#include "../pipewire_camera.h"
#include "../webcam_loop.h"
#include "link_frame_source.cpp"

namespace {
std::atomic<bool> gStop{false};
void onSignal(int) {
    gStop = true;
}
}  // namespace

int main(int argc, char** argv) {
    duovue::WebcamOptions o;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--size" && i + 1 < argc) {
            std::string v = argv[++i];
            if (v == "160x120") {
                o.width = 160;
                o.height = 120;
            }
        } else if (a == "--fps" && i + 1 < argc)
            o.fps = std::stoi(argv[++i]);
        else if (a == "--name" && i + 1 < argc)
            o.name = argv[++i];
        else if (a == "--wait")
            o.wait = true;
    }
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
    std::string error;
    auto cam = duovue::publishPipeWireCamera({o.width, o.height, o.fps, o.name}, &error);
    if (!cam) {
        std::cerr << "duovue: " << error << "\n";
        return 2;
    }
    duovue::LinkFrameSource source;
    const auto end = duovue::runWebcam(
        source, *cam, o, [] { return gStop.load(); }, std::cerr);
    if (!end.reason.empty()) std::cerr << "duovue: " << end.reason << "\n";
    return end.status;
}
