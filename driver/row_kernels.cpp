// Picks the row kernels of the active instruction-set level.
#include "row_kernels.h"

#include "engine/isa.h"

namespace zentdrv {

namespace {

const RowKernels& kernelsForLevel() {
#if defined(ZENTDRV_X86_KERNELS)
    switch (zenthue::activeIsa()) {
        case zenthue::Isa::avx512:
            return rowKernelsAvx512();
        case zenthue::Isa::avx2:
            return rowKernelsAvx2();
        case zenthue::Isa::baseline:
            break;
    }
#endif
    return rowKernelsBaseline();
}

}  // namespace

const RowKernels& rowKernels() {
    static const RowKernels& kernels = kernelsForLevel();
    return kernels;
}

}  // namespace zentdrv
