// The driver's row kernels built for the avx512 level.
#include "row_kernels_body.h"

namespace zentdrv {

const RowKernels& rowKernelsAvx512() {
    return kKernels;
}

}  // namespace zentdrv
