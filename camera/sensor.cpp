// The image sensor model. Frames are made row by row through row and column tables; the
// per-pixel work is table lookups and one add.
#include "sensor.h"

#include <algorithm>

namespace camera::detail {

Sensor::Sensor(uint32_t seed) {
    const uint64_t base = mix(seed ^ 0xD0017EULL);
    // Fixed pattern on the 320 x 240 sensor; the 160 x 120 geometry reads the kept pixels.
    large_.width = 320;
    large_.height = 240;
    large_.dark.resize(320 * 240);
    for (int r = 0; r < 240; ++r)
        for (int c = 0; c < 320; ++c) {
            const uint64_t h = mix(base + static_cast<uint64_t>(r) * 1000 + c);
            large_.dark[r * 320 + c] =
                static_cast<uint8_t>(kBlackLevel + h % (kFixedPatternMax + 1));
        }
    small_.width = 160;
    small_.height = 120;
    small_.dark.resize(160 * 120);
    for (int k = 0; k < 120; ++k)
        for (int j = 0; j < 160; ++j)
            small_.dark[k * 160 + j] = large_.dark[thinned(k) * 320 + thinned(j)];

    // A few stuck pixels, away from the frame edges and on pixels that a 160 x 120 capture
    // keeps, so both geometries show them.
    for (int i = 0; i < 6; ++i) {
        const uint64_t h = mix(base + 77777 + i);
        int r = 8 + static_cast<int>(h % 224);
        int c = 8 + static_cast<int>((h >> 20) % 304);
        r = thinned(r / 2);
        c = thinned(c / 2);
        const uint8_t level = (i & 1) ? 255 : 0;
        stuck_.push_back({r, c, level});
        large_.stuck.push_back({r, c, level});
        small_.stuck.push_back({(r / 4) * 2 + (r & 1), (c / 4) * 2 + (c & 1), level});
    }

    constexpr std::array<int, 3> kCast{kCastRed, kCastGreen, kCastBlue};
    for (int ch = 0; ch < 3; ++ch)
        for (int v = 0; v < 256; ++v)
            response_[ch][v] = static_cast<int16_t>((v * kCast[ch] * kExposure) >> 13);
    for (int i = 0; i < kClampSize; ++i)
        clampComplement_[i] = static_cast<uint8_t>(255 - std::clamp(i - kClampOffset, 0, 255));

    for (int i = 0; i < kNoiseTableSize; ++i) {
        const uint64_t h = mix(base + 0xA0000 + i);
        // Mostly 0, sometimes one level up or down.
        const int n = static_cast<int>(h % 4);
        noise_[i] = static_cast<int8_t>(n == 0 ? -kTemporalNoise : n == 1 ? kTemporalNoise : 0);
    }
}

void Sensor::prepareColumns(const Image& canvas, int width) const {
    const int half = width / 2;
    const int cw = canvas.width;
    for (int p = 0; p < half; ++p) {
        int even = 2 * p, odd = 2 * p + 1;
        if (cw == width * 2) {
            even = thinned(even);
            odd = thinned(odd);
        } else if (cw != width) {
            even = even * cw / width;
            odd = odd * cw / width;
        }
        rRowEven_[p] = even * 3 + 0;  // R site
        rRowOdd_[p] = odd * 3 + 1;    // G site of an R row
        bRowEven_[p] = even * 3 + 1;  // G site of a B row
        bRowOdd_[p] = odd * 3 + 2;    // B site
    }
}

void Sensor::applyStuck(const Geometry& g, uint8_t* wire) const {
    const int half = g.width / 2;
    for (const StuckPixel& s : g.stuck) {
        const int packed = (s.column & 1) ? half + s.column / 2 : s.column / 2;
        wire[s.row * g.width + packed] = static_cast<uint8_t>(255 - s.level);
    }
}

void Sensor::capture(const Image& canvas, int width, int height, uint8_t* wire, uint32_t noise,
                     bool withNoise) const {
    const Geometry& g = geometry(width);
    if (width != g.width || height != g.height || canvas.width <= 0 || canvas.height <= 0) return;
    prepareColumns(canvas, width);
    const int ch = canvas.height;
    for (int r = 0; r < height; ++r) {
        // The lens turns the picture over: wire row 0 is the bottom line of the scene.
        int line = r;
        if (ch == height * 2)
            line = thinned(r);
        else if (ch != height)
            line = r * ch / height;
        canvasRow_[r] = ch - 1 - line;
    }
    const int half = width / 2;
    const int8_t* noiseTable = withNoise ? noise_.data() : silence_.data();
    uint32_t n = noise;
    const uint8_t* clamp = clampComplement_.data() + kClampOffset;
    for (int r = 0; r < height; ++r) {
        const uint8_t* src =
            canvas.rgb.data() + static_cast<size_t>(canvasRow_[r]) * canvas.width * 3;
        const uint8_t* dark = g.dark.data() + r * width;
        uint8_t* out = wire + r * width;
        const bool rRow = (r & 1) == 0;
        const int* evenOffsets = rRow ? rRowEven_.data() : bRowEven_.data();
        const int* oddOffsets = rRow ? rRowOdd_.data() : bRowOdd_.data();
        const int16_t* evenResponse = response_[rRow ? 0 : 1].data();
        const int16_t* oddResponse = response_[rRow ? 1 : 2].data();
        for (int p = 0; p < half; ++p) {
            const int e = evenResponse[src[evenOffsets[p]]] + dark[2 * p] +
                          noiseTable[n++ & (kNoiseTableSize - 1)];
            const int o = oddResponse[src[oddOffsets[p]]] + dark[2 * p + 1] +
                          noiseTable[n++ & (kNoiseTableSize - 1)];
            out[p] = clamp[e];
            out[half + p] = clamp[o];
        }
    }
    applyStuck(g, wire);
}

void Sensor::captureDark(int width, int height, uint8_t* wire, uint32_t noise) const {
    const Geometry& g = geometry(width);
    if (width != g.width || height != g.height) return;
    const int half = width / 2;
    uint32_t n = noise;
    const uint8_t* clamp = clampComplement_.data() + kClampOffset;
    for (int r = 0; r < height; ++r) {
        const uint8_t* dark = g.dark.data() + r * width;
        uint8_t* out = wire + r * width;
        for (int p = 0; p < half; ++p) {
            out[p] = clamp[dark[2 * p] + noise_[n++ & (kNoiseTableSize - 1)]];
            out[half + p] = clamp[dark[2 * p + 1] + noise_[n++ & (kNoiseTableSize - 1)]];
        }
    }
    applyStuck(g, wire);
}

uint8_t Sensor::darkLevel(int width, int height, int row, int column) const {
    const Geometry& g = geometry(width);
    if (width != g.width || height != g.height || row < 0 || column < 0 || row >= height ||
        column >= width)
        return 0;
    for (const StuckPixel& s : g.stuck)
        if (s.row == row && s.column == column) return s.level;
    return g.dark[row * width + column];
}

}  // namespace camera::detail
