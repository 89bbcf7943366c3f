// What the webcam publishes: live colour frames from a source that can vanish and come back.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace duovue {

// One colour frame as the driver keeps it: 24-bit pixels blue, green, red; memory row 0 is the
// bottom line of the picture.
struct Frame {
    int width = 0;
    int height = 0;
    const std::uint8_t* bottomRow = nullptr;
    std::size_t stride = 0;  // bytes from one memory row to the next
    // Line y of the picture, counted from the top.
    const std::uint8_t* line(int y) const {
        return bottomRow + static_cast<std::size_t>(height - 1 - y) * stride;
    }
};

enum class FrameStatus {
    Ready,    // the frame is valid until the next call
    Missing,  // no frame this time; the camera still answers
    Gone,     // the camera stopped answering: reopen it or give up
};

// A live camera. open() captures what the picture needs before the first frame (the noise frame);
// read() returns the next frame at the size given to open().
class FrameSource {
  public:
    virtual ~FrameSource() = default;

    // False when no camera answers; error() then says why.
    virtual bool open(int width, int height) = 0;
    virtual FrameStatus read(Frame& frame) = 0;
    virtual void close() = 0;  // also when not open
    // What went wrong last, for the user: "no camera answers", "the camera stopped answering".
    virtual std::string error() const = 0;
};

}  // namespace duovue
