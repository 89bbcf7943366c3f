// The driver's row kernels built for the baseline level.
#include "row_kernels_body.h"

namespace zentdrv {

const RowKernels& rowKernelsBaseline() {
    return kKernels;
}

}  // namespace zentdrv
