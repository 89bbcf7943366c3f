// The 12-bit entry points: row-table set-up from bitmap headers and the choice of path.
#include <algorithm>
#include <cstdint>

#include "conversions/conversions.h"
#include "engine/row_tables.h"
#include "zenthue.h"

namespace zenthue {

namespace {

// True when both headers describe at least `height` rows that hold `width` source samples and
// `width` 24-bit output pixels, so the conversion stays inside the images they describe.
bool framesHold(const BITMAPINFOHEADER& src, const BITMAPINFOHEADER& dst, int width, int height) {
    return height <= src.biHeight && height <= dst.biHeight &&
           wholeByteStride(src) >= 2 * std::int64_t{width} &&
           wholeByteStride(dst) >= 3 * std::int64_t{width};
}

}  // namespace

void buildLevelScale(EngineState& s) {
    LevelTable& scale = s.levelScale;
    const int max = s.tableMax;
    if (max < 1) {
        scale.fill(0);
        return;
    }
    const int top = std::min(max, kTableSize - 1);
    for (int k = 0; k <= top; ++k) {
        scale[k] = static_cast<int>(std::clamp<std::int64_t>(std::int64_t{k} * 255 / max, 0, 255));
    }
    std::fill(scale.begin() + top + 1, scale.end(), scale[top]);
}

void buildRaw12Lut(const EngineState& s, Raw12Lut& lut) {
    const LevelTable* tables[3] = {&s.redTable, &s.greenTable, &s.blueTable};
    std::array<BYTE, kTableSize>* out[3] = {&lut.red, &lut.green, &lut.blue};
    for (int c = 0; c < 3; ++c) {
        for (int v = 0; v < kTableSize; ++v) {
            const int level = std::clamp((*tables[c])[v], 0, kTableSize - 1);
            (*out[c])[v] = static_cast<BYTE>(s.levelScale[level]);
        }
    }
}

}  // namespace zenthue

using namespace zenthue;

extern "C" int GetRawColor12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                                  const BITMAPINFOHEADER* dstHeader, int width, int height) {
    // Missing buffers or headers, or a header taller than the row tables: nothing is touched.
    if (src == nullptr || dst == nullptr || srcHeader == nullptr || dstHeader == nullptr) return 0;
    if (!rowsFit(*srcHeader) || !rowsFit(*dstHeader)) return 0;

    EngineState& s = engineState();
    fillRowTableStride(s.srcRows12, src, *srcHeader, s.srcRowsDown);
    fillRowTableStride(s.dstRows, dst, *dstHeader, s.dstRowsDown);

    if (s.raw12Path != 0 && s.raw12Path != 1) return 1;
    if (!framesHold(*srcHeader, *dstHeader, width, height)) return 0;
    return s.raw12Path == 0 ? convertRaw12Bayer(s, width, height)
                            : convertRaw12Diagonal(s, width, height);
}

extern "C" int GetDsp12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                             const BITMAPINFOHEADER* dstHeader) {
    if (srcHeader == nullptr || dstHeader == nullptr) return 1;
    if (!rowsFit(*srcHeader) || !rowsFit(*dstHeader)) return 1;
    EngineState& s = engineState();
    fillRowTable(s.srcRows12, src, *srcHeader, s.srcRowsDown);
    fillRowTable(s.dstRows, dst, *dstHeader, s.dstRowsDown);
    return 1;
}
