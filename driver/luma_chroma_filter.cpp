// The clean-up filter for stored color pictures: the picture goes into a luminance plane and two
// color-difference planes, the luminance loses single-line defects and isolated spikes and is
// sharpened where it differs clearly from its surround, the color differences get a 5 x 5 mean,
// and the picture is converted back.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "driver_internal.h"

namespace zentdrv {

namespace {

struct Planes {
    int32_t* y;
    int32_t* cb;
    int32_t* cr;
    int32_t* scratch;
    int width;
    int height;
};

inline uint8_t clampByte(int32_t v) {
    return static_cast<uint8_t>(v < 0 ? 0 : (v > 255 ? 255 : v));
}

void forwardTransform(const BYTE* row0, long stride, const Planes& p) {
    for (int r = 0; r < p.height; ++r) {
        const BYTE* px = row0 + stride * r;
        const int base = r * p.width;
        for (int c = 0; c < p.width; ++c, px += 3) {
            const int32_t b = px[0];
            const int32_t g = px[1];
            const int32_t rd = px[2];
            const int32_t y = (153 * rd + 301 * g + 58 * b) >> 9;
            p.y[base + c] = y;
            p.cb[base + c] = b - y;
            p.cr[base + c] = rd - y;
        }
    }
}

// Visits the positions where r + c is odd, in order, each seeing the changes of earlier ones.
void smoothLines(const Planes& p) {
    const int w = p.width;
    for (int r = 2; r <= p.height - 3; ++r) {
        int32_t* row = p.y + r * w;
        for (int c = 3 - (r & 1); c <= w - 3; c += 2) {
            int32_t* q = row + c;
            int32_t v = *q;
            const int32_t left = q[-1];
            const int32_t right = q[1];
            const int32_t above = q[-w];
            const int32_t below = q[w];
            if (v - left > 10 && v - right > 10 && v - below > 10 && v - above > 10) {
                v = (above + below + right + left) / 4 + 5;
                *q = v;
            }
            if (std::abs(above - below) < 5) {
                const int32_t above2 = q[-2 * w];
                const int32_t below2 = q[2 * w];
                if (std::abs(above2 - below2) < 5 && std::abs(v - below2) < 5) {
                    q[-w] = (above2 + v) >> 1;
                    q[w] = (below2 + v) >> 1;
                }
            } else {
                const int32_t left2 = q[-2];
                const int32_t right2 = q[2];
                if (std::abs(left - right) < 5 && std::abs(left2 - right2) < 5 &&
                    std::abs(v - right2) < 5) {
                    q[-1] = (v + left2) >> 1;
                    q[1] = (right2 + v) >> 1;
                }
            }
        }
    }
}

// Two passes: every new value comes from the plane as it stood before the step.
void sharpen(const Planes& p) {
    const int w = p.width;
    for (int r = 1; r <= p.height - 2; ++r) {
        const int32_t* a = p.y + (r - 1) * w;
        const int32_t* m = a + w;
        const int32_t* b = m + w;
        int32_t* out = p.scratch + r * w;
        for (int c = 1; c <= w - 2; ++c) {
            const int32_t s = a[c - 1] + a[c] + a[c + 1] + m[c - 1] + m[c] + m[c + 1] + b[c - 1] +
                              b[c] + b[c + 1];
            out[c] = (17 * m[c] - s) >> 3;
        }
    }
    for (int r = 1; r <= p.height - 2; ++r) {
        int32_t* row = p.y + r * w;
        const int32_t* v = p.scratch + r * w;
        for (int c = 1; c <= w - 2; ++c) {
            row[c] = std::abs(row[c] - v[c]) > 8 ? v[c] : row[c];
        }
    }
}

// In place: each test sees the values already changed to its left and above. "Above all four
// neighbours by more than 10" is "above the largest by more than 10"; after that step the value
// lies above the smallest neighbour, so the dark test can only fire when the bright one did not.
void removeSpikes(const Planes& p) {
    const int w = p.width;
    for (int r = 2; r <= p.height - 3; ++r) {
        int32_t* row = p.y + r * w;
        for (int c = 2; c <= w - 3; ++c) {
            int32_t* q = row + c;
            const int32_t v = *q;
            const int32_t left = q[-1];
            const int32_t right = q[1];
            const int32_t above = q[-w];
            const int32_t below = q[w];
            const int32_t hi = std::max(std::max(left, right), std::max(above, below));
            const int32_t lo = std::min(std::min(left, right), std::min(above, below));
            if (v - hi > 10) {
                *q = (above + below + right + left) / 4 + 5;
            } else if (v - lo < -10) {
                *q = (above + below + right + left) / 4 - 5;
            }
        }
    }
}

// 5 x 5 mean of the inner positions. Column sums of five rows slide down the picture and a
// window of five of them slides along each row. Row 0 of the scratch holds the column sums
// (no position of rows 0 and 1 is filtered); the means go to the scratch and are written back
// once all are known.
void meanChroma(int32_t* ch, const Planes& p) {
    const int w = p.width;
    const int h = p.height;
    if (w < 5 || h < 5) return;
    int32_t* colSum = p.scratch;
    for (int c = 0; c < w; ++c) {
        colSum[c] = ch[c] + ch[w + c] + ch[2 * w + c] + ch[3 * w + c] + ch[4 * w + c];
    }
    for (int r = 2; r <= h - 3; ++r) {
        if (r > 2) {
            const int32_t* gone = ch + (r - 3) * w;
            const int32_t* come = ch + (r + 2) * w;
            for (int c = 0; c < w; ++c) colSum[c] += come[c] - gone[c];
        }
        int32_t* out = p.scratch + r * w;
        int32_t window = colSum[0] + colSum[1] + colSum[2] + colSum[3] + colSum[4];
        out[2] = window / 25;
        for (int c = 3; c <= w - 3; ++c) {
            window += colSum[c + 2] - colSum[c - 3];
            out[c] = window / 25;
        }
    }
    for (int r = 2; r <= h - 3; ++r) {
        std::memcpy(ch + r * w + 2, p.scratch + r * w + 2, sizeof(int32_t) * (w - 4));
    }
}

void inverseTransform(BYTE* row0, long stride, const Planes& p) {
    for (int r = 0; r < p.height; ++r) {
        BYTE* px = row0 + stride * r;
        const int base = r * p.width;
        for (int c = 0; c < p.width; ++c, px += 3) {
            const int32_t y = p.y[base + c];
            const int32_t cb = p.cb[base + c];
            const int32_t cr = p.cr[base + c];
            px[0] = clampByte(y + cb);
            px[1] = clampByte((512 * y - 261 * cr - 99 * cb) >> 9);
            px[2] = clampByte(y + cr);
        }
    }
}

}  // namespace

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
    const Planes p{
        st.filterPlane, st.filterPlane + n, st.filterPlane + 2 * n, st.filterScratch, width,
        height};

    forwardTransform(target, stride, p);
    smoothLines(p);
    if (options != 0) sharpen(p);
    if ((options & 3) == 3) removeSpikes(p);
    meanChroma(p.cb, p);
    meanChroma(p.cr, p);
    inverseTransform(target, stride, p);
}

}  // namespace zentdrv
