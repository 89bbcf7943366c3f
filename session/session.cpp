// The session's life (driver memory and picture buffers), the colour records and the modes.
#include "session.h"

namespace zentsession {

ColorSettings defaultImageColor() {
    ColorSettings c{};
    c.redGain = 36;
    c.greenGain = 36;
    c.blueGain = 36;
    c.lumaGain = 36;
    c.awbMode = 2;
    c.gamma1 = 1.0f;
    c.gamma2 = 0.8f;
    c.lumaGammaOn = 0;
    c.gamma2On = 1;
    c.reserved10 = 0;
    c.enhanceOn = 1;
    c.reserved12 = 0;
    return c;
}

void sendColorSettings(const ColorSettings& c) {
    SetColorInfo(c.redGain, c.greenGain, c.blueGain, c.lumaGain, c.awbMode, c.gamma1, c.gamma2,
                 c.lumaGammaOn, c.gamma2On, c.reserved10, c.enhanceOn, c.reserved12);
}

Session::Session() = default;

Session::~Session() {
    end();
}

void Session::start(int thumbWidth, int thumbHeight) {
    if (started_) return;
    state_ = SessionState{};
    thumbWidth_ = thumbWidth > 0 && thumbHeight > 0 ? thumbWidth : 0;
    thumbHeight_ = thumbWidth_ > 0 ? thumbHeight : 0;
    for (PackedBitmap& slot : state_.slotImages) slot.allocate(640, 480);
    state_.displayImage.allocate(640, 480);
    if (thumbWidth_ > 0) state_.thumbImage.allocate(thumbWidth_ + 4, thumbHeight_ + 4);
    state_.workImage.allocate(640, 480);
    StartToCapture();
    started_ = true;
}

void Session::end() {
    if (!started_) return;
    for (PackedBitmap& slot : state_.slotImages) slot.release();
    EndCapture();
    state_.displayImage.release();
    state_.thumbImage.release();
    state_.workImage.release();
    started_ = false;
}

void Session::selectMode(int mode) {
    HwInterfaceSettings& h = state_.hwInterface;
    h.interfaceType = 4;
    h.reserved3 = 1;
    h.level = 0;
    h.reserved5 = 1;
    applyMode(mode);
}

void Session::applyMode(int mode) {
    HwInterfaceSettings& h = state_.hwInterface;
    h.modeCode = mode;
    SetHWInterface(h.interfaceType, h.portAddress, h.reserved3, h.level, h.reserved5, h.modeCode);
}

// A camera that does not answer: the observer leaves its workflow, then the message and an
// empty message line.
Result Session::cameraNotFound(Observer& o) {
    o.failed();
    o.notice(text::kNotFound);
    o.message("");
    return Result::NotFound;
}

PackedBitmap Session::snapshot(const PackedBitmap& from, int width, int height,
                               const PackedBitmap::Allocator& allocator) {
    PackedBitmap copy;
    if (copy.allocate(width, height, allocator)) copy.copyFrom(from, width, height);
    return copy;
}

}  // namespace zentsession
