// The clean-up filter for stored color pictures: the picture goes into a luminance plane and two
// color-difference planes, the luminance loses single-line defects and isolated spikes and is
// sharpened where it differs clearly from its surround, the color differences get a 5 x 5 mean,
// and the picture is converted back. The steps are in luma_chroma_steps.h.
#include <cstring>

#include "driver_internal.h"
#include "row_kernels.h"

namespace zentdrv {

void LumaChromaFilter(BYTE* source, BYTE* target, int width, int height, int stride, int options) {
    // The planes are sized for 640 x 480 pixels; anything larger is refused, not overrun.
    if (source == nullptr || target == nullptr || width <= 0 || height <= 0) return;
    if (static_cast<long long>(width) * height > kFilterPixels) return;

    if (source != target) {
        if (stride > 0) {
            std::memmove(
                target, source,
                static_cast<size_t>(stride) * (height - 1) + static_cast<size_t>(3) * width);
        } else {
            for (int r = 0; r < height; ++r) {
                std::memmove(target + static_cast<long>(stride) * r,
                             source + static_cast<long>(stride) * r,
                             static_cast<size_t>(3) * width);
            }
        }
    }

    DriverState& st = driverState();
    const int n = width * height;
    const FilterPlanes p{
        st.filterPlane, st.filterPlane + n, st.filterPlane + 2 * n, st.filterScratch, width,
        height};
    rowKernels().filterPlanes(target, stride, p, options);
}

}  // namespace zentdrv
