// Automatic white balance: one-shot estimation from the raw mosaic and per-frame tracking.
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "engine/color_tables.h"

namespace zenthue {

namespace {

// base * ratio, the ratio rounded to single precision and the product truncated.
int scaleGain(int base, double ratio) {
    const float r = static_cast<float>(ratio);
    return static_cast<int>(static_cast<double>(r) * base);
}

}  // namespace

// Eight bytes a step: a word's four even bytes go to four 16-bit lanes of one
// sum and its odd bytes to those of the other. A lane takes 257 bytes before it could carry, so
// the lanes are added up every 256 steps.
void addSiteSums(const BYTE* row, int width, std::int64_t& even, std::int64_t& odd) {
    constexpr std::uint64_t kLanes = 0x00FF00FF00FF00FFull;
    constexpr std::uint64_t kPairs = 0x0000FFFF0000FFFFull;
    const auto total = [](std::uint64_t lanes) {
        const std::uint64_t pairs = (lanes & kPairs) + ((lanes >> 16) & kPairs);
        return static_cast<std::int64_t>((pairs & 0xFFFFFFFFull) + (pairs >> 32));
    };
    int x = 0;
    while (x + 8 <= width) {
        const int end = width - x >= 8 * 256 ? x + 8 * 256 : width - 7;
        std::uint64_t low = 0, high = 0;  // bytes 0, 2, 4, 6 and 1, 3, 5, 7 of each word
        for (; x < end; x += 8) {
            std::uint64_t word;
            std::memcpy(&word, row + x, 8);
            low += word & kLanes;
            high += (word >> 8) & kLanes;
        }
        // Byte 0 of a word is its lowest on a little-endian processor.
        const bool littleEndian = std::endian::native == std::endian::little;
        even += total(littleEndian ? low : high);
        odd += total(littleEndian ? high : low);
    }
    for (; x + 1 < width; x += 2) {
        even += row[x];
        odd += row[x + 1];
    }
    if (width & 1) even += row[width - 1];
}

void estimateWhiteBalance(EngineState& s, int width, int height) {
    std::int64_t sum[3] = {0, 0, 0};  // red, green, blue sites
    std::int64_t count[3] = {0, 0, 0};
    for (int i = 0; i < height; ++i) {
        const BYTE* row = s.srcRows[i];
        // The site class of even columns and of odd columns in this row.
        const int evenClass = (i & 1) ? 1 : 0;
        const int oddClass = (i & 1) ? 2 : 1;
        std::int64_t even = 0, odd = 0;
        addSiteSums(row, width, even, odd);
        sum[evenClass] += even;
        sum[oddClass] += odd;
        count[evenClass] += (width + 1) / 2;
        count[oddClass] += width / 2;
    }
    int avg[3];
    for (int c = 0; c < 3; ++c) {
        const std::int64_t n = count[c] < 1 ? 1 : count[c];
        const std::int64_t a = sum[c] / n;
        avg[c] = a < 1 ? 1 : static_cast<int>(a);
    }

    const int base = avg[1] > 130 ? 36 : 42;
    int gain[3] = {base, base, base};

    const bool allEqual = avg[0] == avg[1] && avg[1] == avg[2];
    bool dominant = false;
    for (int c = 0; c < 3; ++c) {
        if (avg[c] - avg[(c + 1) % 3] >= 80 && avg[c] - avg[(c + 2) % 3] >= 80) dominant = true;
    }
    if (!allEqual && !dominant) {
        int order[3] = {0, 1, 2};  // channels by falling average
        if (avg[order[0]] < avg[order[1]]) std::swap(order[0], order[1]);
        if (avg[order[1]] < avg[order[2]]) std::swap(order[1], order[2]);
        if (avg[order[0]] < avg[order[1]]) std::swap(order[0], order[1]);
        const double high = avg[order[0]], middle = avg[order[1]], low = avg[order[2]];
        gain[order[0]] = scaleGain(base, 1.0 - (high - middle) / high);
        gain[order[2]] = scaleGain(base, 1.0 + (middle - low) / middle);
    }

    s.redGain = clampGain(gain[0]);
    s.greenGain = clampGain(gain[1]);
    s.blueGain = clampGain(gain[2]);
    buildChannelTables8(s);
}

int trackWhiteBalance(EngineState& s, double red, double green, double blue) {
    const auto dominates = [](double c, double o1, double o2) {
        return c >= 180 && c - o1 >= 100 && c - o2 >= 100;
    };
    if (dominates(red, green, blue) || dominates(green, red, blue) || dominates(blue, red, green)) {
        return 1;
    }
    // Worked in 64 bits so that any stored gain steps without overflow before the clamp.
    std::int64_t r = s.redGain, g = s.greenGain, b = s.blueGain;
    if (std::abs(red - green) >= 10) {
        if (red > green) {
            --r;
        } else if (green > red) {
            --g;
            ++r;
        }
    } else if (std::abs(green - blue) >= 10) {
        if (green > blue) {
            --g;
            ++b;
        } else if (blue > green) {
            --b;
        }
    } else if (std::abs(blue - red) >= 10) {
        if (red > blue) {
            ++b;
            --r;
        } else if (blue > red) {
            ++r;
            --b;
        }
    } else if (red - blue >= 5) {
        --r;
    } else if (blue - red >= 5) {
        --b;
    }
    const auto clamp = [](std::int64_t v) { return v >= 255 ? 255 : (v <= 0 ? 0 : int(v)); };
    s.redGain = clamp(r);
    s.greenGain = clamp(g);
    s.blueGain = clamp(b);
    return 0;
}

}  // namespace zenthue
