// The pixel layouts the webcam offers, and the conversion of a colour frame into each of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "frame_source.h"

namespace duovue {

// Byte orders as in memory. The YUV layouts are studio-range BT.601 with 4:2:0 or 4:2:2 chroma.
enum class PixelFormat { I420, NV12, YUY2, BGRx, RGBx, BGR, RGB };

// Every layout, in the order offered to a consumer (the first is the preferred one).
inline constexpr PixelFormat kOfferedFormats[] = {
    PixelFormat::I420, PixelFormat::YUY2, PixelFormat::NV12, PixelFormat::BGRx,
    PixelFormat::RGBx, PixelFormat::BGR,  PixelFormat::RGB,
};

const char* formatName(PixelFormat format);

// Bytes from one row of the first plane to the next; planes follow each other without gaps,
// chroma rows at half this stride for I420, at the full stride for NV12's interleaved plane.
int rowStride(PixelFormat format, int width);
// Bytes a whole frame takes; 0 for a size the layout cannot hold (4:2:x chroma needs even sizes).
std::size_t frameBytes(PixelFormat format, int width, int height);

// Writes `frame` into `out` in `format`. Refused (false, nothing written) when the frame is empty,
// its size does not suit the layout, or `out` is smaller than frameBytes().
bool convertFrame(const Frame& frame, PixelFormat format, std::span<std::uint8_t> out);

}  // namespace duovue
