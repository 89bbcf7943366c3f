// Live frames with the video mode's colour (noise frame first, automatic white balance, gamma
// 0.8), for snap, stream and webcam.
#pragma once

#include "camera_session.h"
#include "exit_status.h"
#include "interrupt.h"
#include "options.h"
#include "picture_file.h"

namespace duovue {

// Started by the constructor (a Failure when the camera does not open), stopped when it goes out
// of scope.
class LivePicture {
  public:
    LivePicture(zentsession::Session& session, CommandObserver& observer, const FrameSize& size)
        : session_(session), observer_(observer), sizeIndex_(size.width == 320 ? 1 : 0) {
        session.openPreview(true, true, zentdrv::kPreviewGamma);
        checkResult(session.startPreview(sizeIndex_, observer), observer);
        started_ = true;
    }
    ~LivePicture() {
        if (started_) session_.stopPreview(sizeIndex_, observer_);
    }
    LivePicture(const LivePicture&) = delete;
    LivePicture& operator=(const LivePicture&) = delete;

    // The next frame; a Failure when the camera stops answering or an interrupt came.
    PictureView next() {
        throwIfInterrupted();
        checkResult(session_.previewTick(sizeIndex_, observer_), observer_);
        const zentsession::PackedBitmap& frame = session_.state().displayImage;
        return PictureView{session_.previewWidth(), session_.previewHeight(), frame.row(0),
                           frame.rowBytes()};
    }

  private:
    zentsession::Session& session_;
    CommandObserver& observer_;
    int sizeIndex_;
    bool started_ = false;
};

}  // namespace duovue
