// The live preview: camera and noise frame, one colour frame per tick with the current settings,
// and the size switch, which captures the noise frame again.
#include "session.h"

namespace zentsession {

using namespace zentdrv;

void Session::openPreview(bool autoWhiteBalance, bool gammaOn, float gamma) {
    ColorSettings& c = state_.colorSettings;
    c.redGain = kPreviewRedGain;
    c.greenGain = kPreviewGreenGain;
    c.blueGain = kPreviewBlueGain;
    c.lumaGain = kPreviewLumaGain;
    c.awbMode = autoWhiteBalance ? 2 : 0;
    c.gamma1 = 1.0f;
    c.gamma2 = gamma;
    c.lumaGammaOn = 0;
    c.gamma2On = gammaOn ? 1 : 0;
    state_.paintEnabled = 0;
    usePreviewSize(1);
}

void Session::usePreviewSize(int sizeIndex) {
    previewSize_ = sizeIndex == 1 ? 1 : 0;
    previewWidth_ = previewSize_ == 1 ? 320 : 160;
    previewHeight_ = previewSize_ == 1 ? 240 : 120;
}

Result Session::startPreview(int sizeIndex, Observer& o) {
    SessionState& s = state_;
    usePreviewSize(sizeIndex);
    appliedSize_ = previewSize_;

    o.message("");
    SetDeviceInfo(0, 0);
    s.imageInfo = ImageInfo{previewWidth_, previewHeight_, 3, 0};
    SetImageInfo(s.imageInfo.width, s.imageInfo.height, s.imageInfo.displayType, s.imageInfo.fpnOn);
    s.hwInterface = SearchPPort();
    s.hwInterface.interfaceType = 4;
    s.hwInterface.reserved3 = 1;
    s.hwInterface.level = kPreviewLevel;
    s.hwInterface.reserved5 = 1;
    applyMode(liveMode(previewSize_));

    SetImgMemory(s.displayImage.pixels(), s.displayImage.header());
    s.paintEnabled = 0;
    o.previewResized(previewWidth_, previewHeight_);

    o.progress(Stage::Opening, 0, 1);
    o.message("Waiting .... while checking the camera");
    if (InitEvCam() != 0) return cameraNotFound(o);
    if (stopRequested()) return Result::Stopped;
    o.progress(Stage::NoiseFrame, 0, 1);
    o.message("Capturing the FPN");
    applyMode(kModeNoiseCapture);
    if (ReInitFPN() == 0) return cameraNotFound(o);
    s.paintEnabled = 1;
    applyMode(liveMode(previewSize_));
    ReadRawFrame();
    o.progress(Stage::Preview, 0, 1);
    o.message(text::kPreviewing);
    return Result::Done;
}

void Session::stopPreview(int sizeIndex, Observer& o) {
    usePreviewSize(sizeIndex);
    appliedSize_ = previewSize_;
    o.message("Stop previewing");
    state_.paintEnabled = 1;
}

Result Session::previewTick(int sizeIndex, Observer& o) {
    SessionState& s = state_;
    if (stopRequested()) return Result::Stopped;
    const int size = sizeIndex == 1 ? 1 : 0;
    const bool switching = size != appliedSize_;
    previewSize_ = size;
    if (switching) applyMode(liveMode(size));
    sendColorSettings(s.colorSettings);
    if (ReadColorFrame() == 0) return cameraNotFound(o);
    o.picture(Picture{Place::Preview, -1, -1, s.displayImage, previewWidth_, previewHeight_});
    if (!switching) return Result::Done;

    appliedSize_ = size;
    usePreviewSize(size);
    s.paintEnabled = 0;
    o.previewResized(previewWidth_, previewHeight_);
    s.imageInfo.width = previewWidth_;
    s.imageInfo.height = previewHeight_;
    s.paintEnabled = 1;
    SetImageInfo(s.imageInfo.width, s.imageInfo.height, s.imageInfo.displayType, s.imageInfo.fpnOn);
    o.message("Re-Capturing the FPN");
    applyMode(kModeNoiseCapture);
    if (ReInitFPN() == 0) return cameraNotFound(o);
    applyMode(liveMode(size));
    ReadRawFrame();
    o.message(text::kPreviewing);
    return Result::Done;
}

}  // namespace zentsession
