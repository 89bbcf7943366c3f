// The webcam's PipeWire node: a video source stream with media class "Video/Source" and media
// role "Camera", offering every layout of pixel_formats.h at one size and rate, driving its own
// graph cycles and filling each buffer from the latest published frame.
//
//   std::string error;
//   auto camera = duovue::PipeWireCamera::connect({320, 240, 30, "Duovue"}, &error);
//   if (!camera) { /* PipeWire is not running: error says so */ }
//   camera->publish(frame);        // from any one thread
//   camera.reset();                // the node goes away
#pragma once

#include <cstdint>
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

class PipeWireCamera : public FrameSink {
  public:
    // Connects to the user's PipeWire and publishes the node; waits (at most 5 s) until the
    // server has made it. Null with `error` set when PipeWire is not running or refuses the node.
    static std::unique_ptr<PipeWireCamera> connect(const StreamSettings& settings,
                                                   std::string* error);
    ~PipeWireCamera() override;
    PipeWireCamera(const PipeWireCamera&) = delete;
    PipeWireCamera& operator=(const PipeWireCamera&) = delete;

    std::uint32_t nodeId() const;
    bool streaming() const override;
    void publish(const Frame& frame) override;
    std::string failure() const override;

    struct Impl;

  private:
    explicit PipeWireCamera(std::unique_ptr<Impl> impl);
    std::unique_ptr<Impl> impl_;
};

}  // namespace duovue
