// Gains, white-balance mode, gamma curves and the channel lookup tables built from them.
#include <algorithm>
#include <cmath>

#include "engine/color_tables.h"
#include "zenthue.h"

using zenthue::engineState;

extern "C" int SetColorGain(int redGain, int greenGain, int blueGain, int lumaGain, int wbMode,
                            float lumaGamma, float toneGamma, int lumaGammaOn, int toneGammaOn,
                            int tableBits, int raw12Path) {
    auto& s = engineState();
    const int bits = tableBits == -1 ? s.tableBits : tableBits;
    // Deeper tables than the 4096 entries would be written past their end: change nothing.
    if (!zenthue::tableBitsFit(bits)) return raw12Path;

    s.wbMode = wbMode;
    if (redGain != -1) s.redGain = redGain;
    if (greenGain != -1) s.greenGain = greenGain;
    if (blueGain != -1) s.blueGain = blueGain;
    if (lumaGain != -1) s.lumaGain = lumaGain;

    s.lumaGammaOn = lumaGammaOn == -1 ? 0 : lumaGammaOn;
    s.toneGammaOn = toneGammaOn == -1 ? 0 : toneGammaOn;
    if (lumaGammaOn == 1) {
        s.lumaGamma = lumaGamma;
        zenthue::buildGammaTable(lumaGamma, s.lumaGammaTable.data(), bits);
    }
    if (toneGammaOn == 1) {
        s.toneGamma = toneGamma;
        zenthue::buildGammaTable(toneGamma, s.toneGammaTable.data(), bits);
    }

    s.tableBits = bits;
    const int n = static_cast<int>(std::exp2(bits));
    const int max = n - 1;
    zenthue::fillChannelTables(s, n, max);
    for (auto* table : {&s.redTable, &s.greenTable, &s.blueTable}) {
        std::fill(table->begin() + n, table->end(), 0);
    }
    s.tableMax = max;
    s.raw12Path = raw12Path;
    return raw12Path;
}

extern "C" ColorGainRecord* GetColorGain(ColorGainRecord* record) {
    if (record == nullptr) return nullptr;
    const auto& s = engineState();
    record->redGain = s.redGain;
    record->greenGain = s.greenGain;
    record->blueGain = s.blueGain;
    record->lumaGain = s.lumaGain;
    record->wbMode = s.wbMode;
    record->lumaGamma = s.lumaGamma;
    record->toneGamma = s.toneGamma;
    record->lumaGammaOn = s.lumaGammaOn;
    record->toneGammaOn = s.toneGammaOn;
    record->tableBits = s.tableBits;
    record->raw12Path = s.raw12Path;
    return record;
}

extern "C" int CalcuGammaTbl(float gamma, int* table, int bits) {
    // No table, or deeper than 12 bits (past the 4096 entries): leave it alone.
    if (table == nullptr || !zenthue::tableBitsFit(bits)) return 0;
    zenthue::buildGammaTable(gamma, table, bits);
    return 1;
}
