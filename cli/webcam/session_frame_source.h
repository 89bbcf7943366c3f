// Live frames from the camera session's preview, as the video mode shows them: noise frame
// captured first, automatic white balance, gamma 0.8.
#pragma once

#include "frame_source.h"
#include "session.h"

namespace duovue {

class SessionFrameSource : public FrameSource {
  public:
    // `session` is started and outlives this source.
    explicit SessionFrameSource(zentsession::Session& session) : session_(session) {}
    ~SessionFrameSource() override { close(); }
    SessionFrameSource(const SessionFrameSource&) = delete;
    SessionFrameSource& operator=(const SessionFrameSource&) = delete;

    bool open(int width, int height) override;
    FrameStatus read(Frame& frame) override;
    void close() override;
    std::string error() const override { return error_; }

  private:
    zentsession::Session& session_;
    zentsession::Observer quiet_;  // the preview's texts are not shown
    int sizeIndex_ = 1;
    bool open_ = false;
    std::string error_;
};

}  // namespace duovue
