// Gamma tables, channel tables and white balance: the engine internals behind the gain exports,
// shared by every conversion.
#pragma once

#include <cstdint>

#include "engine/engine_state.h"

namespace zenthue {

// Deepest table depth the 4096-entry tables hold.
inline constexpr int kMaxTableBits = 12;

// True for a bit depth the tables can hold (0 to 12).
constexpr bool tableBitsFit(int bits) {
    return bits >= 0 && bits <= kMaxTableBits;
}

// Fills a 4096-entry table with max * (i / max)^gamma for i < 2^bits (max = 2^bits - 1, double
// precision, clamped to 0..max, truncated); later entries repeat the last computed one. The
// caller checks tableBitsFit.
void buildGammaTable(float gamma, int* table, int bits);

// Sets entries 0..count - 1 of the three channel tables: level i times gain times lumaGain / 1024,
// held to 0..max, then through toneGammaTable when toneGammaOn. Later entries are left alone.
void fillChannelTables(EngineState& s, int count, int max);

// Rebuilds entries 0..255 of the three channel tables from the gains and toneGamma.
void buildChannelTables8(EngineState& s);

// A gain limited to 0..255.
constexpr int clampGain(int gain) {
    return gain >= 255 ? 255 : (gain <= 0 ? 0 : gain);
}

// Adds the bytes of the even columns of row[0 .. width - 1] (width at least 0) to `even` and
// those of the odd columns to `odd`.
void addSiteSums(const BYTE* row, int width, std::int64_t& even, std::int64_t& odd);

// One-shot estimation: sets the color gains from the mean R, G and B samples of the whole raw
// frame in srcRows (height rows of width samples) and rebuilds the 256-entry channel tables.
void estimateWhiteBalance(EngineState& s, int width, int height);

// Per-frame tracking from the mean red, green and blue table values of a converted frame: nudges
// the color gains by one step toward gray. Returns 1 (and changes nothing) when one color
// dominates, else 0. Integer means convert exactly, so one version serves every conversion.
int trackWhiteBalance(EngineState& s, double red, double green, double blue);

}  // namespace zenthue
