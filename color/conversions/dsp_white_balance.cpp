// White balance of the DSP color frame: a short iterative search that predicts the frame's
// mean output colors from its mean raw samples and steps the color gains until the predicted
// color differences are small (or clearly a colored scene).
#include <algorithm>
#include <cstdint>

#include "conversions/conversions.h"
#include "engine/color_tables.h"

namespace zenthue {

namespace {

constexpr int kMaxSteps = 11;

enum class Step { kStop, kGo };

struct Gains {
    std::int64_t red, green, blue;
};

// One row of the decision table, chosen by the signs of cr and cb. Changes the gains and says
// whether the search goes on.
Step decide(float cr, float cb, float ratio, Gains& g) {
    if (cr > 0 && cb > 0) {
        if (cr - cb >= 25 || (cr <= 1.2 && cb <= 1.2)) return Step::kStop;
        if (cr >= 2.0 && cb >= 2.0) {
            ++g.green;
        } else if ((ratio >= 1.2 && cr >= 1.0) || ratio > 1.2 || cb < 1.2) {
            --g.red;
        } else {
            --g.blue;
        }
    } else if (cr > 0 && cb < 0) {
        if (cr - cb >= 25 || (cr <= 1.2 && cb > -1.2 && cr - cb <= 1.5)) return Step::kStop;
        if (cr >= 1.2 && cb <= -1.2) {
            --g.red;
            ++g.blue;
        } else if (cr > 1.2) {
            --g.red;
        } else {
            ++g.blue;
        }
    } else if (cr < 0 && cb > 0) {
        if (cb - cr >= 25 || (cr > -1.2 && cb <= 1.2 && cb - cr <= 1.5)) return Step::kStop;
        if (cb >= 1.2 && cr <= -1.2) {
            ++g.red;
            --g.blue;
        } else if (cb > 1.2) {
            --g.blue;
        } else {
            ++g.red;
        }
    } else {
        if ((cr <= -18 && cb <= -18 && ratio <= 1.5) || (cr >= -1.2 && cb >= -1.2)) {
            return Step::kStop;
        }
        if (cr <= -2 && cb <= -2) {
            --g.green;
        } else if (ratio >= 1.5 && cr <= -1.2) {
            ++g.red;
        } else if (ratio <= 2.0 && cb <= -1.2) {
            ++g.blue;
        }
    }
    return Step::kGo;
}

std::int64_t clampGain64(std::int64_t v) {
    return v >= 255 ? 255 : (v <= 0 ? 0 : v);
}

float level(double v) {
    return std::clamp(static_cast<float>(v), 0.0f, 255.0f);
}

}  // namespace

void dspWhiteBalance(EngineState& s, const DspArea& a) {
    // Mean R-site, G-site and B-site samples of the filtered raw frame within the area.
    // Columns of one parity hold one site class along a row: R and G on even rows, G and B on
    // odd ones.
    std::int64_t sum[3] = {0, 0, 0}, count[3] = {0, 0, 0};  // red, green, blue
    const int evenColumns = a.lastColumn / 2 - (a.firstColumn + 1) / 2 + 1;
    const int oddColumns = (a.lastColumn + 1) / 2 - a.firstColumn / 2;
    for (int i = a.firstRow; i <= a.lastRow; ++i) {
        const BYTE* row = s.srcRows[i];
        std::int64_t parity[2] = {0, 0};      // sums of even and odd columns
        const int first = a.firstColumn & 1;  // the area's first column counts as even from here
        addSiteSums(row + a.firstColumn, a.lastColumn - a.firstColumn + 1, parity[first],
                    parity[1 - first]);
        const int evenSite = (i & 1) ? 1 : 0, oddSite = (i & 1) ? 2 : 1;
        sum[evenSite] += parity[0];
        sum[oddSite] += parity[1];
        count[evenSite] += evenColumns;
        count[oddSite] += oddColumns;
    }
    // An area too narrow to hold every site class gives no balance to act on.
    if (count[0] == 0 || count[1] == 0 || count[2] == 0) return;
    const float r = static_cast<float>(static_cast<double>(sum[0]) / count[0]);
    const float g = static_cast<float>(static_cast<double>(sum[1]) / count[1]);
    const float b = static_cast<float>(static_cast<double>(sum[2]) / count[2]);

    const float y = static_cast<float>(
        (0.3 * r + 0.59 * g + 0.11 * b + 0.25 * r + 0.5 * g + 0.25 * b) * s.lumaGain * 0.015625);
    const float cb0 = static_cast<float>(0.512 * (b - g) - 0.174 * (r - g));
    const float cr0 = static_cast<float>(0.512 * (r - g) - 0.083 * (b - g));
    const float yGreen = static_cast<float>(0.782 * y);
    const float yRed = static_cast<float>(0.285 * y);
    const float yBlue = static_cast<float>(0.315 * y);

    Gains gains{s.redGain, s.greenGain, s.blueGain};
    for (int step = 0; step < kMaxSteps; ++step) {
        const float green = level((double{yGreen} - cr0 - cb0) * gains.green / 32.0);
        const float red = level((double{yRed} + cr0) * gains.red / 32.0);
        const float blue = level((double{yBlue} + cb0) * gains.blue / 32.0);
        const float cb = static_cast<float>(0.582 * (blue - green) - 0.174 * (red - green));
        const float cr = static_cast<float>(0.512 * (red - green) - 0.083 * (blue - green));
        // A zero cb only reaches decisions that also need cb nonzero, so its ratio is moot.
        const float ratio = cb != 0.0f ? cr / cb : 0.0f;
        if (decide(cr, cb, ratio, gains) == Step::kStop) break;
        gains = {clampGain64(gains.red), clampGain64(gains.green), clampGain64(gains.blue)};
    }
    s.redGain = static_cast<int>(gains.red);
    s.greenGain = static_cast<int>(gains.green);
    s.blueGain = static_cast<int>(gains.blue);
}

}  // namespace zenthue
