// The webcam's PipeWire node: a video source stream with media class "Video/Source" and media
// role "Camera", offering every layout of pixel_formats.h at one size and rate, driving its own
// graph cycles and filling each buffer from the latest published frame.
//
//   std::string error;
//   auto camera = duovue::publishPipeWireCamera({320, 240, 30, "Duovue"}, &error);
//   if (!camera) { /* PipeWire is not running: error says so */ }
//   camera->publish(frame);        // from any one thread
//   camera.reset();                // the node goes away
#pragma once

#include <memory>
#include <string>

#include "frame_sink.h"

namespace duovue {

struct StreamSettings {
    int width = 320;
    int height = 240;
    int fps = 15;
    std::string description = "Duovue";  // what programs show in their camera lists
};

// Connects to the user's PipeWire and publishes the node; waits (at most 5 s) until the server
// has made it. Destroying the sink removes the node. Null with `error` set when PipeWire is not
// running, refuses the node, or this program was built without PipeWire.
std::unique_ptr<FrameSink> publishPipeWireCamera(const StreamSettings& settings,
                                                 std::string* error);

}  // namespace duovue
