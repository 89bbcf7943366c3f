// Pictures as PNG and BMP file contents.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace duovue {

// A 24-bit picture as the driver keeps it: pixels blue, green, red; memory row 0 is the bottom
// line of the picture.
struct PictureView {
    int width = 0;
    int height = 0;
    const uint8_t* bottomRow = nullptr;
    size_t stride = 0;  // bytes from one memory row to the next
    // Line y of the picture, counted from the top.
    const uint8_t* line(int y) const {
        return bottomRow + static_cast<size_t>(height - 1 - y) * stride;
    }
};

// A PNG file: 8-bit RGB, or with `gray` 8-bit gray taken from the blue byte (gray pictures carry
// the same level in all three bytes).
std::vector<uint8_t> encodePng(const PictureView& picture, bool gray = false);
// A 24-bit bottom-up BMP file.
std::vector<uint8_t> encodeBmp(const PictureView& picture);

}  // namespace duovue
