// Where the webcam's frames go: a published video node that consumers may be reading.
#pragma once

#include <string>

#include "frame_source.h"

namespace duovue {

class FrameSink {
  public:
    virtual ~FrameSink() = default;

    // A consumer is reading: frames are worth capturing.
    virtual bool streaming() const = 0;
    // Hands one frame to the consumers (copied; `frame` may change afterwards).
    virtual void publish(const Frame& frame) = 0;
    // Empty while the sink works; otherwise why it stopped ("PipeWire went away").
    virtual std::string failure() const = 0;
};

}  // namespace duovue
