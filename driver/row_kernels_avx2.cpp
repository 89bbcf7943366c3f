// The driver's row kernels built for the avx2 level.
#include "row_kernels_body.h"

namespace zentdrv {

const RowKernels& rowKernelsAvx2() {
    return kKernels;
}

}  // namespace zentdrv
