#include "pack555.h"

#include <array>
#include <cstdint>

namespace zentlink {

namespace {

// Each channel's contribution to the word: red in bits 10-14, green 5-9, blue 0-4.
struct ChannelTables {
    std::array<uint16_t, 256> red;
    std::array<uint16_t, 256> green;
    std::array<uint16_t, 256> blue;
};

constexpr ChannelTables makeTables() {
    ChannelTables t{};
    for (int v = 0; v < 256; ++v) {
        const auto five = static_cast<uint16_t>(v >> 3);
        t.red[v] = static_cast<uint16_t>(five << 10);
        t.green[v] = static_cast<uint16_t>(five << 5);
        t.blue[v] = five;
    }
    return t;
}

constexpr ChannelTables kTables = makeTables();

}  // namespace

void packRows555(const BYTE* source, BYTE* target, int width, int height) {
    if (width <= 0 || height <= 0) return;
    const size_t sourceStride = static_cast<size_t>(width) * 3;
    const size_t targetStride = static_cast<size_t>(width) * 2;
    for (int r = 0; r < height; ++r) {
        const BYTE* in = source + sourceStride * static_cast<size_t>(r);
        BYTE* out = target + targetStride * static_cast<size_t>(r);
        for (int c = 0; c < width; ++c, in += 3, out += 2) {
            const uint16_t word = kTables.blue[in[0]] | kTables.green[in[1]] | kTables.red[in[2]];
            out[0] = static_cast<BYTE>(word & 0xFF);
            out[1] = static_cast<BYTE>(word >> 8);
        }
    }
}

}  // namespace zentlink
