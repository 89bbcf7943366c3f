// The image sensor: an RGGB mosaic behind a lens that turns the picture over, with a colour
// cast, a fixed-pattern offset per pixel, a few stuck pixels and a little temporal noise.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "duovue_camera.h"

namespace camera::detail {

class Sensor {
  public:
    explicit Sensor(uint32_t seed);

    // Photographs `canvas` (an upright picture) at width x height (320 x 240 or 160 x 120)
    // into `wire` (width * height bytes, wire format). `noise` picks the temporal noise;
    // `withNoise` false gives the noise-free frame.
    void capture(const Image& canvas, int width, int height, uint8_t* wire, uint32_t noise,
                 bool withNoise = true) const;
    // A frame with no light: dark level plus temporal noise.
    void captureDark(int width, int height, uint8_t* wire, uint32_t noise) const;

    uint8_t darkLevel(int width, int height, int row, int column) const;
    const std::vector<StuckPixel>& stuckPixels() const { return stuck_; }

  private:
    static constexpr int kNoiseTableSize = 4096;  // power of two
    static constexpr int kClampOffset = 64;
    static constexpr int kClampSize = 512;

    struct Geometry {
        int width = 0, height = 0;
        std::vector<uint8_t> dark;      // kBlackLevel + fixed pattern, wire row order
        std::vector<StuckPixel> stuck;  // positions in this geometry
    };

    const Geometry& geometry(int width) const { return width == 160 ? small_ : large_; }
    void prepareColumns(const Image& canvas, int width) const;
    void applyStuck(const Geometry& g, uint8_t* wire) const;

    std::vector<StuckPixel> stuck_;
    Geometry large_, small_;
    std::array<std::array<int16_t, 256>, 3> response_{};  // true channel value -> level
    std::array<uint8_t, kClampSize> clampComplement_{};   // level + offset -> wire byte
    std::array<int8_t, kNoiseTableSize> noise_{};
    std::array<int8_t, kNoiseTableSize> silence_{};
    // Scratch of capture(): canvas byte offsets of each output column pair, for R rows (R, G)
    // and B rows (G, B), and the canvas line of each wire row.
    mutable std::array<int, 160> rRowEven_{}, rRowOdd_{}, bRowEven_{}, bRowOdd_{};
    mutable std::array<int, 240> canvasRow_{};
};

// Sensor row or column of a 320 x 240 capture kept by a 160 x 120 one: pairs 0-1, 4-5, ...
inline int thinned(int k) {
    return 4 * (k / 2) + (k & 1);
}

// A small, fast, seedable generator (splitmix64).
inline uint64_t mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

}  // namespace camera::detail
