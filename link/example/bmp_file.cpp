#include "bmp_file.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

namespace {

void put16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void put32(uint8_t* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

}  // namespace

bool writeBmp24(const std::string& path, const uint8_t* pixels, int width, int height) {
    if (pixels == nullptr || width <= 0 || height <= 0) return false;
    const uint32_t rowBytes = static_cast<uint32_t>(width) * 3;
    const uint32_t fileRowBytes = (rowBytes + 3) & ~3u;  // BMP rows end on 4 bytes
    const uint32_t imageBytes = fileRowBytes * static_cast<uint32_t>(height);

    std::array<uint8_t, 54> header{};
    header[0] = 'B';
    header[1] = 'M';
    put32(&header[2], 54 + imageBytes);  // file size
    put32(&header[10], 54);              // offset of the pixels
    put32(&header[14], 40);              // BITMAPINFOHEADER
    put32(&header[18], static_cast<uint32_t>(width));
    put32(&header[22], static_cast<uint32_t>(height));  // positive: bottom line first
    put16(&header[26], 1);                              // planes
    put16(&header[28], 24);                             // bits per pixel
    put32(&header[34], imageBytes);

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool ok = std::fwrite(header.data(), 1, header.size(), file) == header.size();
    std::vector<uint8_t> row(fileRowBytes, 0);
    for (int r = 0; ok && r < height; ++r) {
        const uint8_t* source = pixels + static_cast<size_t>(rowBytes) * static_cast<size_t>(r);
        std::copy(source, source + rowBytes, row.begin());
        ok = std::fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return std::fclose(file) == 0 && ok;
}
