// Gains, gamma and the switches of the color path.
#include <cmath>
#include <limits>

#include "link_state.h"
#include "zentlink.h"

using zentlink::LinkState;
using zentlink::linkState;

namespace {

// Gamma x 100, truncated toward zero; values beyond the int range (or not a number) are clamped
// instead of overflowing the conversion.
int gammaHundredths(float gamma) {
    const float scaled = gamma * 100.0f;
    if (std::isnan(scaled)) return 0;
    if (scaled >= 2147483648.0f) return std::numeric_limits<int>::max();
    if (scaled <= -2147483648.0f) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

}  // namespace

extern "C" {

int SetRGBYGamma(int redGain, int greenGain, int blueGain, int lumaGain, int gamma) {
    LinkState& s = linkState();
    ColorSettings& c = s.linkColor;
    c.redGain = redGain;
    c.greenGain = greenGain;
    c.blueGain = blueGain;
    c.lumaGain = lumaGain;
    // A single-precision product: 80 gives the float just below 0.8.
    c.gamma2 = static_cast<float>(gamma) * 0.01f;
    c.gamma1 = 1.0f;
    c.lumaGammaOn = 0;
    zentlink::applyColor(s);
    return 1;
}

int GetRGBYGamma(int* redGain, int* greenGain, int* blueGain, int* lumaGain, int* gamma) {
    ColorSettings held{};
    GetColorInfo(&held);
    if (redGain != nullptr) *redGain = held.redGain;
    if (greenGain != nullptr) *greenGain = held.greenGain;
    if (blueGain != nullptr) *blueGain = held.blueGain;
    if (lumaGain != nullptr) *lumaGain = held.lumaGain;
    const int value = gammaHundredths(held.gamma2);
    if (gamma != nullptr) *gamma = value;
    return value;
}

int SetFlag(int reserved3, int toneGammaOn, int whiteBalanceOn, int, int) {
    LinkState& s = linkState();
    s.linkHw.reserved3 = reserved3;
    zentlink::applyHw(s);
    SetImageInfo(-1, -1, 0, 1);
    ColorSettings& c = s.linkColor;
    c.awbMode = whiteBalanceOn != 0 ? 2 : 0;
    c.gamma1 = 1.0f;
    c.lumaGammaOn = 0;
    c.gamma2On = toneGammaOn;
    zentlink::applyColor(s);
    return 1;
}

}  // extern "C"
