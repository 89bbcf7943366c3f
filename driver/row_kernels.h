// The driver's per-pixel loops, built once per instruction-set level (row_kernels_*.cpp, the
// same plain C++ in row_kernels_body.h compiled for that level) and picked at run time by the
// colour library's level rules (the widest the processor has, or ZENT_ISA).
#pragma once

#include <cstdint>

#include "luma_chroma_filter.h"

namespace zentdrv {

struct RowKernels {
    // The whole clean-up filter: the packed 24-bit rows at row0 (rows `stride` bytes apart) into
    // the planes, filtered, and back in place.
    void (*filterPlanes)(uint8_t* row0, long stride, const FilterPlanes& p, int options);
    // out[2k] = even[k], out[2k + 1] = odd[k] for k < half.
    void (*unpackRow)(const uint8_t* even, const uint8_t* odd, uint8_t* out, int half);
    // frame[c] = CorrectSample(offset, ceiling, frame[c], noise[c]) for c < count.
    void (*correctRow)(uint8_t* frame, const uint8_t* noise, int count, int offset, int ceiling);
    // row[c] = 255 - row[c] for c < count.
    void (*complementRow)(uint8_t* row, int count);
};

// The kernels of the active level, resolved on first use.
const RowKernels& rowKernels();

const RowKernels& rowKernelsBaseline();
const RowKernels& rowKernelsAvx2();
const RowKernels& rowKernelsAvx512();

}  // namespace zentdrv
