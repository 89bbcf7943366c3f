// The color engine's single process-wide state record: output format, row tables, gains,
// white-balance mode, gamma and channel lookup tables, and ColorEnhance's hues. Zero at load,
// never reset.
#pragma once

#include <array>

#include "engine/hue_memo.h"
#include "platform.h"

namespace zenthue {

// Capacity of every row table: no image handled by the engine is taller.
inline constexpr int kMaxRows = 1024;
// Entries of every gamma, channel and level table (12-bit input levels).
inline constexpr int kTableSize = 4096;

using RowTable = std::array<BYTE*, kMaxRows>;
using RowTable12 = std::array<WORD*, kMaxRows>;
using LevelTable = std::array<int, kTableSize>;

struct EngineState {
    // Output format and row-table directions.
    int formatType;   // 2 = 24-bit color, 1 = 16-bit 5-5-5, anything else = 8-bit gray
    int formatBits;   // 24, 16 or 8, derived from formatType
    int srcRowsDown;  // nonzero: source rows run toward higher addresses
    int dstRowsDown;  // nonzero: destination rows run toward higher addresses

    // Row tables; entries beyond the last set-up height keep stale pointers.
    RowTable srcRows;      // 8-bit raw source frame
    RowTable12 srcRows12;  // 12-bit raw source frame (16-bit samples)
    RowTable dstRows;      // output image

    // Gains in units of 1/32 (32 is unity); the white balance keeps the color gains in 0..255.
    int redGain;
    int greenGain;
    int blueGain;
    int lumaGain;
    int wbMode;  // 0 off, 1 tracking after each conversion, 2 one-shot estimation before it

    float lumaGamma;  // exponent lumaGammaTable was last built with
    int lumaGammaOn;  // lumaGammaTable applies to the luminance and DSP paths
    LevelTable lumaGammaTable;

    float toneGamma;  // exponent toneGammaTable was last built with
    int toneGammaOn;  // toneGammaTable is folded into the channel tables
    LevelTable toneGammaTable;

    int tableBits;  // the channel tables have 2^tableBits meaningful entries
    int tableMax;   // 2^tableBits - 1
    LevelTable redTable;
    LevelTable greenTable;
    LevelTable blueTable;

    int raw12Path;  // 12-bit conversion path: 0 Bayer, 1 diagonal stripes

    // 12-bit paths: table level k to an 8-bit level, rebuilt by every 12-bit conversion.
    LevelTable levelScale;

    // ColorEnhance's hues by channel differences, filled as pictures need them; safe to share
    // between threads (hue_memo.h).
    HueMemo hues;
};

// The one engine state of the process.
EngineState& engineState();

}  // namespace zenthue
