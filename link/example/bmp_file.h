// Writing a 24-bit BMP file from rows packed without gaps, row 0 being the bottom line.
#pragma once

#include <cstdint>
#include <string>

bool writeBmp24(const std::string& path, const uint8_t* pixels, int width, int height);
