// The process-wide window state, the per-frame color defaults and handing them to the driver.
#include "zentdesk.h"

namespace zentdesk {

MainWindowState& windowState() {
    static MainWindowState state;
    return state;
}

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

}  // namespace zentdesk
