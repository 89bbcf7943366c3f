// The stored-picture clean-up filter's planes, and the filter on them at each instruction-set
// level (the same steps, luma_chroma_steps.h, compiled for that level).
#pragma once

#include <cstdint>

namespace zentdrv {

using FilterSample = int16_t;

struct FilterPlanes {
    FilterSample* y;
    FilterSample* cb;
    FilterSample* cr;
    FilterSample* scratch;
    int width;
    int height;
};

// Converts the packed 24-bit rows at row0 (rows `stride` bytes apart) into the planes, filters
// them and converts them back in place. `options` as for LumaChromaFilter.
void filterPlanesBaseline(uint8_t* row0, long stride, const FilterPlanes& p, int options);
void filterPlanesAvx2(uint8_t* row0, long stride, const FilterPlanes& p, int options);
void filterPlanesAvx512(uint8_t* row0, long stride, const FilterPlanes& p, int options);

}  // namespace zentdrv
