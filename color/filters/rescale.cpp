// Rescalimg: scales a 24-bit picture to any size, each axis by its own step table. Shrinking an
// axis picks source samples; enlarging it interpolates between neighbours in eighths.
#include <array>
#include <cstdint>
#include <cstring>

#include "filter_common.h"

namespace zenthue {
namespace {

// Longest axis a step table can describe.
constexpr int kMaxSide = 1024;
// A step-table entry of this value is a key position: a new source sample lands there. Any other
// entry is the phase 0..7 of the position between the previous and the next source sample.
constexpr std::int32_t kKey = 8;

using StepTable = std::array<std::int32_t, kMaxSide>;

// Fills the first `larger` entries. The ratio is rounded to single precision while the
// accumulator stays in double precision, so key positions fall where the rounded ratio puts them.
void buildStepTable(int smaller, int larger, StepTable& table) {
    const float ratio = static_cast<float>(static_cast<double>(smaller) / larger);
    table[0] = kKey;
    if (larger < 2) return;
    double accumulator = 0.0;
    for (int i = 1; i < larger; ++i) {
        accumulator += ratio;
        if (accumulator >= 1.0) {
            table[i] = kKey;
            accumulator -= 1.0;
        } else {
            table[i] = static_cast<std::int32_t>(8.0 * accumulator);
        }
    }
}

// The horizontal operation, prepared once per call as per-pixel byte offsets so that each row
// costs only copies or blends.
class RowScaler {
  public:
    RowScaler(const StepTable& steps, int srcWidth, int dstWidth) : dstWidth_(dstWidth) {
        if (dstWidth < srcWidth) {
            // Shrink: the source pixels at key positions, in order, until the row is full.
            int written = 0;
            for (int x = 0; x < srcWidth && written < dstWidth; ++x) {
                if (steps[x] == kKey) {
                    previous_[written] = x * kPixelBytes;
                    current_[written] = x * kPixelBytes;
                    phase_[written] = 0;
                    ++written;
                }
            }
            dstWidth_ = written;
            return;
        }
        // Enlarge (or copy): blend the two source pixels around each position; past the last
        // source pixel the current pixel stays on it.
        int previous = 0;
        int current = 0;
        int next = 1;
        for (int x = 0; x < dstWidth; ++x) {
            if (steps[x] == kKey) {
                previous = current;
                if (next < srcWidth) current = next++;
            }
            previous_[x] = previous * kPixelBytes;
            current_[x] = current * kPixelBytes;
            phase_[x] = steps[x] % 8;
        }
    }

    void operator()(const BYTE* src, BYTE* dst) const {
        for (int x = 0; x < dstWidth_; ++x) {
            const BYTE* a = src + previous_[x];
            const BYTE* b = src + current_[x];
            const int p = phase_[x];
            BYTE* out = dst + x * kPixelBytes;
            if (p == 0) {
                out[0] = a[0];
                out[1] = a[1];
                out[2] = a[2];
            } else {
                out[0] = static_cast<BYTE>(blend8(a[0], b[0], p));
                out[1] = static_cast<BYTE>(blend8(a[1], b[1], p));
                out[2] = static_cast<BYTE>(blend8(a[2], b[2], p));
            }
        }
    }

  private:
    int dstWidth_;
    std::array<std::int32_t, kMaxSide> previous_;
    std::array<std::int32_t, kMaxSide> current_;
    std::array<std::int32_t, kMaxSide> phase_;
};

// Fills the destination rows between key rows by blending the key rows around them; rows below
// the last key row become copies of it.
void interpolateRows(BYTE** dstRows, int dstWidth, int dstHeight, const StepTable& steps) {
    if (dstWidth <= 0) return;
    const int rowBytes = dstWidth * kPixelBytes;
    int upper = 0;
    int lower = 0;
    for (int y = 0; y < dstHeight; ++y) {
        if (steps[y] == kKey) {
            if (y < dstHeight - 1) {
                upper = y;
                lower = upper;
                for (int k = y + 1; k < dstHeight; ++k) {
                    if (steps[k] == kKey) {
                        lower = k;
                        break;
                    }
                }
            }
            continue;
        }
        const BYTE* a = dstRows[upper];
        const BYTE* b = dstRows[lower];
        BYTE* out = dstRows[y];
        const int p = steps[y] % 8;
        for (int i = 0; i < rowBytes; ++i) out[i] = static_cast<BYTE>(blend8(a[i], b[i], p));
    }
}

}  // namespace
}  // namespace zenthue

extern "C" int Rescalimg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight, int dstWidth,
                         int dstHeight) {
    using namespace zenthue;
    // Sizes outside 1..1024 would overrun the step tables or read outside the source.
    if (srcWidth <= 0 || srcHeight <= 0 || dstWidth <= 0 || dstHeight <= 0) return 0;
    if (srcWidth > kMaxSide || srcHeight > kMaxSide || dstWidth > kMaxSide ||
        dstHeight > kMaxSide) {
        return 0;
    }
    if (!rowsPresent(srcRows, srcHeight) || !rowsPresent(dstRows, dstHeight)) return 0;

    StepTable columnSteps;
    StepTable rowSteps;
    buildStepTable(srcWidth < dstWidth ? srcWidth : dstWidth,
                   srcWidth < dstWidth ? dstWidth : srcWidth, columnSteps);
    buildStepTable(srcHeight < dstHeight ? srcHeight : dstHeight,
                   srcHeight < dstHeight ? dstHeight : srcHeight, rowSteps);
    const RowScaler scaleRow(columnSteps, srcWidth, dstWidth);

    if (dstHeight <= srcHeight) {
        int written = 0;
        for (int y = 0; y < srcHeight && written < dstHeight; ++y) {
            if (rowSteps[y] == kKey) scaleRow(srcRows[y], dstRows[written++]);
        }
        return 1;
    }

    int used = 0;
    for (int y = 0; y < dstHeight && used < srcHeight; ++y) {
        if (rowSteps[y] == kKey) scaleRow(srcRows[used++], dstRows[y]);
    }
    interpolateRows(dstRows, dstWidth, dstHeight, rowSteps);
    return 1;
}
