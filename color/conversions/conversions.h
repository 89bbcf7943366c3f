// Internals of the further conversions: the 12-bit paths, the DSP color frame and the luminance
// frame. Each works on the engine state's row tables and tables; none keeps pixel memory.
#pragma once

#include <array>
#include <cstdint>
#include <cstring>

#include "engine/engine_state.h"

namespace zenthue {

// True when entries first..last of a row table hold a pointer (at load every entry is null,
// so a conversion called before any set-up finds its rows missing and converts nothing).
template <class Table>
bool rowsSetUp(const Table& table, int first, int last) {
    for (int i = first; i <= last; ++i) {
        if (table[i] == nullptr) return false;
    }
    return true;
}

// ---- 12-bit paths ----------------------------------------------------------------------------

// Rebuilds levelScale: table level k to (k * 255) / tableMax within 0..255, entries above
// tableMax repeating the top one. A tableMax below 1 (no table depth set) scales to black.
void buildLevelScale(EngineState& s);

// A channel table followed by levelScale, folded into one output byte per 12-bit level.
struct Raw12Lut {
    std::array<BYTE, kTableSize> red, green, blue;
};
void buildRaw12Lut(const EngineState& s, Raw12Lut& lut);

// One row of 16-bit samples. Samples are read bytewise, so a row need not be 2-byte aligned.
struct Row12 {
    const BYTE* bytes;
    explicit Row12(const WORD* row) : bytes(reinterpret_cast<const BYTE*>(row)) {}
    int operator[](int x) const {
        WORD v;
        std::memcpy(&v, bytes + 2 * std::ptrdiff_t{x}, sizeof v);
        return v;
    }
};

// Running sums of the written output bytes, for the white-balance tracking.
struct ChannelSums {
    std::int64_t red = 0, green = 0, blue = 0;
};

// Path 0: Bayer mosaic with the plain interpolation rules. Needs width >= 2 and height >= 3.
int convertRaw12Bayer(EngineState& s, int width, int height);

// Path 1: diagonal-stripe mosaic with a 5 x 5 neighbourhood. Needs width >= 5 and height >= 5.
int convertRaw12Diagonal(EngineState& s, int width, int height);

// ---- DSP color frame -------------------------------------------------------------------------

// The converted area of the DSP color frame: rows 8..height - 9, columns 8..width - 3.
struct DspArea {
    int firstRow, lastRow, firstColumn, lastColumn;
    bool empty() const { return firstRow > lastRow || firstColumn > lastColumn; }
};
constexpr DspArea dspArea(int width, int height) {
    return {8, height - 9, 8, width - 3};
}

// Replaces isolated peaks and dips of the raw mosaic in place within the area.
void removeMosaicPeaks(EngineState& s, const DspArea& area);

// Converts the area through luminance and color differences into dstRows (formatType 2 or 1).
void convertDspArea(EngineState& s, const DspArea& area);

// Iterative white balance on the area's mean R, G and B samples; changes the color gains.
void dspWhiteBalance(EngineState& s, const DspArea& area);

}  // namespace zenthue
