#include "session_frame_source.h"

namespace duovue {

using zentsession::Result;

bool SessionFrameSource::open(int width, int height) {
    close();
    sizeIndex_ = width == 160 && height == 120 ? 0 : 1;
    session_.openPreview(true, true, zentdrv::kPreviewGamma);
    const Result r = session_.startPreview(sizeIndex_, quiet_);
    open_ = r == Result::Done;
    if (!open_) error_ = r == Result::Stopped ? "stopped" : "no camera answers";
    return open_;
}

FrameStatus SessionFrameSource::read(Frame& frame) {
    if (!open_) return FrameStatus::Gone;
    switch (session_.previewTick(sizeIndex_, quiet_)) {
        case Result::Done: {
            // The frame is the bottom-left corner of the preview bitmap.
            const zentsession::PackedBitmap& bitmap = session_.state().displayImage;
            frame = Frame{session_.previewWidth(), session_.previewHeight(), bitmap.row(0),
                          bitmap.rowBytes()};
            return FrameStatus::Ready;
        }
        case Result::Stopped:
            return FrameStatus::Missing;
        default:
            error_ = "the camera stopped answering during the live picture";
            return FrameStatus::Gone;
    }
}

void SessionFrameSource::close() {
    if (!open_) return;
    session_.stopPreview(sizeIndex_, quiet_);
    open_ = false;
}

}  // namespace duovue
