// One stored picture at X1 and X2 with its colour settings, and "Apply".
#include <algorithm>

#include "session.h"

namespace zentsession {

bool Session::viewPicture(int image, int& width, int& height) {
    SessionState& s = state_;
    if (image < 0 || image >= kTableSize) return false;
    viewImage_ = image;
    viewEntry_ = s.ImageTableIndex[image];
    // Sizes beyond the buffers could never be drawn or copied; such an image shows empty.
    viewWidth_ = std::clamp(s.imageWidth[image], 0, 320);
    viewHeight_ = std::clamp(s.imageHeight[image], 0, 240);
    width = viewWidth_;
    height = viewHeight_;

    const ColorSettings& own = s.imageColor[image];
    ColorSettings& c = s.colorSettings;
    c.redGain = own.redGain;
    c.greenGain = own.greenGain;
    c.blueGain = own.blueGain;
    c.lumaGain = own.lumaGain;
    c.gamma2 = own.gamma2;
    c.gamma2On = own.gamma2On;
    c.reserved10 = own.reserved10;
    c.enhanceOn = own.enhanceOn;
    c.awbMode = 0;
    c.gamma1 = 1.0f;
    c.lumaGammaOn = 0;
    sendColorSettings(c);

    const PackedBitmap& slot = s.slotImages[image % kSlotCount];
    if (slot && s.workImage) s.workImage.copyFrom(slot, viewWidth_, viewHeight_);
    return true;
}

void Session::zoomView() {
    SessionState& s = state_;
    if (!s.workImage || !s.displayImage || viewWidth_ <= 0 || viewHeight_ <= 0) return;
    ToRescaleImg(s.workImage.rows(), s.displayImage.rows(), viewWidth_, viewHeight_, 2 * viewWidth_,
                 2 * viewHeight_);
}

void Session::recolorView(bool zoomed) {
    SessionState& s = state_;
    sendColorSettings(s.colorSettings);
    if (!s.workImage) return;
    GetColorImage(s.workImage.rows(), s.workImage.header(), viewEntry_);
    if (zoomed) zoomView();
}

bool Session::applyView() {
    SessionState& s = state_;
    const ColorSettings& c = s.colorSettings;
    ColorSettings& own = s.imageColor[viewImage_];
    own.redGain = c.redGain;
    own.greenGain = c.greenGain;
    own.blueGain = c.blueGain;
    own.lumaGain = c.lumaGain;
    own.awbMode = c.awbMode;
    own.reserved10 = c.reserved10;
    own.enhanceOn = c.enhanceOn;
    sendColorSettings(own);
    // Only the page picture of the image itself is refreshed: after paging away, its slot holds
    // another image, which must not be overwritten with this one.
    const int slot = viewImage_ % kSlotCount;
    if (viewImage_ / kSlotCount != s.pageIndex || !s.slotImages[slot]) return false;
    GetColorImage(s.slotImages[slot].rows(), s.slotImages[slot].header(), viewEntry_);
    return true;
}

}  // namespace zentsession
