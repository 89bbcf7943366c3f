#include "link_state.h"

namespace zentlink {

namespace {
constinit LinkState state{};
}  // namespace

LinkState& linkState() {
    return state;
}

void applyHw(const LinkState& s) {
    const HwInterfaceSettings& hw = s.linkHw;
    SetHWInterface(hw.interfaceType, hw.portAddress, hw.reserved3, hw.level, hw.reserved5,
                   hw.modeCode);
}

void applyColor(const LinkState& s) {
    const ColorSettings& c = s.linkColor;
    SetColorInfo(c.redGain, c.greenGain, c.blueGain, c.lumaGain, c.awbMode, c.gamma1, c.gamma2,
                 c.lumaGammaOn, c.gamma2On, c.reserved10, c.enhanceOn, c.reserved12);
}

void releasePreview(LinkState& s) {
    if (s.previewImage != nullptr) {
        GlobalUnlock(s.previewImage);
        GlobalFree(s.previewImage);
    }
    s.previewImage = nullptr;
    s.previewHeader = nullptr;
    s.previewPixels = nullptr;
}

bool idleReinit(LinkState& s) {
    // Unsigned difference: correct across the wrap of the 32-bit tick.
    if (GetTickCount() - s.lastTick < kIdleMs) return true;
    s.cameraReady = InitEvCam() == 0 && opensCamera(s) ? 1 : 0;
    return s.cameraReady != 0;
}

}  // namespace zentlink
