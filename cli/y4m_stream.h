// Live frames as a YUV4MPEG2 stream: 4:2:0 planes, full-range BT.601, chroma at the centre of
// each 2 x 2 block.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "picture_file.h"

namespace duovue {

// "YUV4MPEG2 W320 H240 F15:1 Ip A1:1 C420jpeg XCOLORRANGE=FULL\n"
std::string y4mHeader(int width, int height, int fps);

// Turns one picture into "FRAME\n" and its Y, U and V planes, top line first. Integer and
// table-driven; the buffer is sized once per picture size.
class Y4mFrameWriter {
  public:
    Y4mFrameWriter(int width, int height);
    // The frame's bytes, ready to write; valid until the next call.
    const std::vector<uint8_t>& convert(const PictureView& picture);

  private:
    int width_;
    int height_;
    std::vector<uint8_t> frame_;
};

}  // namespace duovue
