#include "picture_file.h"

#include <zlib.h>

#include <cstring>
#include <stdexcept>

namespace duovue {

namespace {

// Fast deflate: a folder of pictures is written in a blink and still comes out well compressed.
constexpr int kPngLevel = 3;

void putBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void putLe(std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

// Appends a chunk: length, type, data, CRC of type and data.
void putChunk(std::vector<uint8_t>& out, const char type[4], const uint8_t* data, size_t size) {
    putBe32(out, static_cast<uint32_t>(size));
    const size_t typeAt = out.size();
    out.insert(out.end(), type, type + 4);
    if (size > 0) out.insert(out.end(), data, data + size);
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), out.data() + typeAt, static_cast<uInt>(size + 4));
    putBe32(out, static_cast<uint32_t>(crc));
}

// The filtered scanlines: each line a filter byte (1 = difference to the pixel on the left)
// and the samples top line first.
std::vector<uint8_t> pngScanlines(const PictureView& p, bool gray) {
    const int channels = gray ? 1 : 3;
    const size_t lineBytes = static_cast<size_t>(p.width) * channels;
    std::vector<uint8_t> raw((lineBytes + 1) * static_cast<size_t>(p.height));
    uint8_t* out = raw.data();
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* in = p.line(y);
        *out++ = 1;
        if (gray) {
            uint8_t left = 0;
            for (int x = 0; x < p.width; ++x, in += 3) {
                *out++ = static_cast<uint8_t>(in[0] - left);
                left = in[0];
            }
        } else {
            uint8_t r0 = 0, g0 = 0, b0 = 0;
            for (int x = 0; x < p.width; ++x, in += 3) {
                out[0] = static_cast<uint8_t>(in[2] - r0);
                out[1] = static_cast<uint8_t>(in[1] - g0);
                out[2] = static_cast<uint8_t>(in[0] - b0);
                r0 = in[2];
                g0 = in[1];
                b0 = in[0];
                out += 3;
            }
        }
    }
    return raw;
}

}  // namespace

std::vector<uint8_t> encodePng(const PictureView& picture, bool gray) {
    const std::vector<uint8_t> raw = pngScanlines(picture, gray);
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<uint8_t> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  kPngLevel) != Z_OK) {
        throw std::runtime_error("compression failed");
    }

    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.reserve(file.size() + packedSize + 64);
    std::vector<uint8_t> header;
    putBe32(header, static_cast<uint32_t>(picture.width));
    putBe32(header, static_cast<uint32_t>(picture.height));
    header.push_back(8);             // bits per sample
    header.push_back(gray ? 0 : 2);  // gray or RGB
    header.push_back(0);             // deflate
    header.push_back(0);             // adaptive filtering
    header.push_back(0);             // not interlaced
    putChunk(file, "IHDR", header.data(), header.size());
    putChunk(file, "IDAT", packed.data(), packedSize);
    putChunk(file, "IEND", nullptr, 0);
    return file;
}

std::vector<uint8_t> encodeBmp(const PictureView& picture) {
    const size_t lineBytes = static_cast<size_t>(picture.width) * 3;
    const size_t stride = (lineBytes + 3) & ~size_t{3};
    const size_t imageBytes = stride * static_cast<size_t>(picture.height);
    constexpr uint32_t kHeaders = 14 + 40;
    std::vector<uint8_t> file;
    file.reserve(kHeaders + imageBytes);
    file.push_back('B');
    file.push_back('M');
    putLe(file, static_cast<uint32_t>(kHeaders + imageBytes), 4);
    putLe(file, 0, 4);
    putLe(file, kHeaders, 4);
    putLe(file, 40, 4);
    putLe(file, static_cast<uint32_t>(picture.width), 4);
    putLe(file, static_cast<uint32_t>(picture.height), 4);  // positive: bottom line first
    putLe(file, 1, 2);
    putLe(file, 24, 2);
    putLe(file, 0, 4);  // uncompressed
    putLe(file, static_cast<uint32_t>(imageBytes), 4);
    putLe(file, 0, 16);  // resolution and palette counts
    for (int y = picture.height - 1; y >= 0; --y) {
        const uint8_t* line = picture.line(y);
        file.insert(file.end(), line, line + lineBytes);
        file.insert(file.end(), stride - lineBytes, 0);
    }
    return file;
}

}  // namespace duovue
