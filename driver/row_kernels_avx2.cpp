// The clean-up filter's steps built for the avx2 level.
#include "luma_chroma_steps.h"

namespace zentdrv {

void filterPlanesAvx2(uint8_t* row0, long stride, const FilterPlanes& p, int options) {
    filterPlanes(row0, stride, p, options);
}

}  // namespace zentdrv
