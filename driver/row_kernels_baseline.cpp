// The clean-up filter's steps built for the baseline level.
#include "luma_chroma_steps.h"

namespace zentdrv {

void filterPlanesBaseline(uint8_t* row0, long stride, const FilterPlanes& p, int options) {
    filterPlanes(row0, stride, p, options);
}

}  // namespace zentdrv
