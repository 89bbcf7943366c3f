// Development stand-in until the session library is there: live frames through zentlink.
#include <vector>

#include "../frame_source.h"
#include "zentlink.h"

namespace duovue {

class LinkFrameSource : public FrameSource {
  public:
    bool open(int width, int height) override {
        width_ = width;
        height_ = height;
        if (AttachDevice(width == 160 ? 0 : 1, 0, 4, 0, 0) != 1) return false;
        SetImgBuf(width, height, 0, width == 160 ? 0 : 1, 0);
        SetRGBYGamma(27, 32, 49, 36, 80);
        if (ReadFPNFrame(0, 0, 0, 0, 0) != 1) return false;
        SetFlag(1, 1, 1, 0, 0);
        buffer_.resize(static_cast<size_t>(width) * height * 3);
        return true;
    }
    FrameStatus read(Frame& frame) override {
        if (ReadColorData(buffer_.data(), 0, 0, 0, 0) != 1) return FrameStatus::Gone;
        frame = {width_, height_, buffer_.data(), static_cast<size_t>(width_) * 3};
        return FrameStatus::Ready;
    }
    void close() override { DetachDevice(0, 0, 0, 0, 0); }
    std::string error() const override { return "no camera answers"; }

  private:
    int width_ = 0, height_ = 0;
    std::vector<uint8_t> buffer_;
};

}  // namespace duovue
