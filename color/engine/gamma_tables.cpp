// Gamma curves and the 256-entry channel-table rebuild used by the one-shot white balance.
#include <cmath>

#include "engine/color_tables.h"

namespace zenthue {

void buildGammaTable(float gamma, int* table, int bits) {
    const double max = std::exp2(bits) - 1.0;
    const double n = max + 1.0;
    const int count = static_cast<int>(n);
    for (int i = 0; i < count; ++i) {
        double v = max * std::pow(i / max, static_cast<double>(gamma));
        // Written as "not below" / "not above" so that a NaN (0 / 0 at depth 0) becomes max.
        if (!(v < max)) {
            v = max;
        } else if (!(v > 0.0)) {
            v = 0.0;
        }
        table[i] = static_cast<int>(v);
    }
    for (int i = count; i < kTableSize; ++i) table[i] = table[count - 1];
}

void fillChannelTables(EngineState& s, int count, int max) {
    const int gains[3] = {s.redGain, s.greenGain, s.blueGain};
    LevelTable* tables[3] = {&s.redTable, &s.greenTable, &s.blueTable};
    for (int c = 0; c < 3; ++c) {
        // 32-bit product with wrap-around, shifted arithmetically.
        const auto step = static_cast<unsigned>(gains[c]) * static_cast<unsigned>(s.lumaGain);
        LevelTable& table = *tables[c];
        for (int i = 0; i < count; ++i) {
            int v = static_cast<int>(static_cast<unsigned>(i) * step) >> 10;
            v = v >= max ? max : (v <= 0 ? 0 : v);
            if (s.toneGammaOn) v = s.toneGammaTable[v];
            table[i] = v;
        }
    }
}

void buildChannelTables8(EngineState& s) {
    fillChannelTables(s, 256, 255);
}

}  // namespace zenthue
