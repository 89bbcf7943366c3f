// The picture held by a packed 24-bit bitmap and the two file formats it is written in.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "platform.h"

namespace savedib {

// A checked view of a packed bitmap: every row lies inside the block.
struct BitmapView {
    const BITMAPINFOHEADER* header = nullptr;
    const BYTE* pixels = nullptr;
    int width = 0;
    int height = 0;        // rows, always positive
    bool bottomUp = true;  // positive biHeight: memory row 0 is the bottom line
    size_t stride = 0;     // bytes per row, rounded up to 4 as in every DIB
    // Memory row of picture line `y` (0 = top).
    const BYTE* line(int y) const {
        const int row = bottomUp ? height - 1 - y : y;
        return pixels + static_cast<size_t>(row) * stride;
    }
};

// The view of `bytes` bytes at `block`, or nothing when they do not hold a whole uncompressed
// 24-bit bitmap.
std::optional<BitmapView> viewBitmap(const void* block, size_t bytes);

// The whole file of the picture in either format; false when it cannot be encoded.
bool encodeBmp(const BitmapView& bitmap, std::vector<BYTE>& file);
bool encodePng(const BitmapView& bitmap, std::vector<BYTE>& file);

// Writes `bytes` to a new file in the folder of `path` and renames it to `path` once complete.
// False when that fails; then whatever was at `path` is as it was and no new file is left.
bool replaceFile(const std::string& path, const std::vector<BYTE>& bytes);

// True when `path` ends in ".png", in any case.
bool wantsPng(const std::string& path);

}  // namespace savedib
