// The planes of the stored-picture clean-up filter (its steps: luma_chroma_steps.h).
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

}  // namespace zentdrv
