// 24-bit (blue, green, red) pixels to little-endian 5-5-5 words.
#pragma once

#include "platform.h"

namespace zentlink {

// Converts `height` rows of `width` pixels; rows are packed without gaps on both sides
// (source rows of width x 3 bytes, target rows of width x 2 bytes).
void packRows555(const BYTE* source, BYTE* target, int width, int height);

}  // namespace zentlink
