// The user's color settings, forwarded to the color engine for live frames.
#include <cmath>

#include "driver_internal.h"
#include "zentdrv.h"
#include "zenthue.h"

using zentdrv::driverState;
using zentdrv::DriverState;

extern "C" {

int SetColorInfo(int redGain, int greenGain, int blueGain, int lumaGain, int awbMode, float gamma1,
                 float gamma2, int, int gamma2On, int reserved10, int enhanceOn, int) {
    DriverState& s = driverState();
    if (redGain != -1) s.redGain = redGain;
    if (greenGain != -1) s.greenGain = greenGain;
    if (blueGain != -1) s.blueGain = blueGain;
    if (lumaGain != -1) s.lumaGain = lumaGain;
    if (awbMode != -1) s.awbMode = awbMode;
    if (gamma1 != -1.0f) s.gamma1 = gamma1;
    if (gamma2 != -1.0f) s.gamma2 = gamma2;
    if (gamma2On != -1) s.gamma2On = gamma2On;
    if (s.gamma2On <= 0) s.gamma2On = 0;
    s.colorReserved10 = reserved10;
    s.enhanceOn = enhanceOn;
    // Live frames: any white-balance setting above 0 runs the engine's continuous balance.
    const int wb = s.awbMode > 0 ? 2 : 0;
    return SetColorGain(s.redGain, s.greenGain, s.blueGain, s.lumaGain, wb, 1.0f, s.gamma2, 0,
                        s.gamma2On, 8, 0);
}

ColorSettings* GetColorInfo(ColorSettings* out) {
    if (out == nullptr) return nullptr;
    const DriverState& s = driverState();
    *out = ColorSettings{s.redGain,           s.greenGain,       s.blueGain,  s.lumaGain,
                         s.awbMode,           s.gamma1,          s.gamma2,    s.engineLumaGammaOn,
                         s.engineToneGammaOn, s.colorReserved10, s.enhanceOn, 0};
    return out;
}

void CalcuGamTbl(float gamma, int* table) {
    if (table == nullptr) return;
    for (int i = 0; i < 256; ++i) {
        const double v = std::trunc(256.0 * std::pow(i / 256.0, static_cast<double>(gamma)));
        // Low 8 bits of the truncated value; a value that is not a number at all gives 0.
        table[i] = std::isfinite(v) ? static_cast<int>(std::fmod(v, 256.0)) & 0xFF : 0;
    }
}

}  // extern "C"
