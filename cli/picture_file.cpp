#include "picture_file.h"

#include <zlib.h>

#include <cstring>
#include <new>

namespace duovue {

namespace {

// Camera pictures are noisy: run-length deflate over lines filtered by the line above compresses
// them as well as a full search would, several times faster.
constexpr int kPngLevel = 1;
constexpr int kUpFilter = 2;

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

// The filtered scanlines, top line first: each a filter byte (Up: the difference to the line
// above) and the samples, red-green-blue or gray.
std::vector<uint8_t> pngScanlines(const PictureView& p, bool gray) {
    const size_t lineBytes = static_cast<size_t>(p.width) * (gray ? 1 : 3);
    std::vector<uint8_t> raw((lineBytes + 1) * static_cast<size_t>(p.height));
    std::vector<uint8_t> above(lineBytes, 0), line(lineBytes);
    uint8_t* out = raw.data();
    for (int y = 0; y < p.height; ++y) {
        const uint8_t* in = p.line(y);
        if (gray) {
            for (int x = 0; x < p.width; ++x) line[x] = in[3 * x];
        } else {
            for (int x = 0; x < p.width; ++x) {
                line[3 * x] = in[3 * x + 2];
                line[3 * x + 1] = in[3 * x + 1];
                line[3 * x + 2] = in[3 * x];
            }
        }
        *out++ = kUpFilter;
        for (size_t i = 0; i < lineBytes; ++i) *out++ = static_cast<uint8_t>(line[i] - above[i]);
        above.swap(line);
    }
    return raw;
}

// zlib data of `raw`: run-length matches only.
bool deflateRuns(const std::vector<uint8_t>& raw, std::vector<uint8_t>& packed) {
    z_stream z{};
    if (deflateInit2(&z, kPngLevel, Z_DEFLATED, 15, 8, Z_RLE) != Z_OK) return false;
    packed.resize(deflateBound(&z, static_cast<uLong>(raw.size())));
    z.next_in = const_cast<Bytef*>(raw.data());
    z.avail_in = static_cast<uInt>(raw.size());
    z.next_out = packed.data();
    z.avail_out = static_cast<uInt>(packed.size());
    const bool done = deflate(&z, Z_FINISH) == Z_STREAM_END;
    packed.resize(z.total_out);
    deflateEnd(&z);
    return done;
}

}  // namespace

std::vector<uint8_t> encodePng(const PictureView& picture, bool gray) {
    std::vector<uint8_t> packed;
    if (!deflateRuns(pngScanlines(picture, gray), packed)) {
        throw std::bad_alloc();  // zlib fails only for want of memory here
    }

    std::vector<uint8_t> file{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.reserve(file.size() + packed.size() + 64);
    std::vector<uint8_t> header;
    putBe32(header, static_cast<uint32_t>(picture.width));
    putBe32(header, static_cast<uint32_t>(picture.height));
    header.push_back(8);             // bits per sample
    header.push_back(gray ? 0 : 2);  // gray or RGB
    header.push_back(0);             // deflate
    header.push_back(0);             // adaptive filtering
    header.push_back(0);             // not interlaced
    putChunk(file, "IHDR", header.data(), header.size());
    putChunk(file, "IDAT", packed.data(), packed.size());
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
    file.insert(file.end(), 16, 0);  // resolution and palette counts
    for (int y = picture.height - 1; y >= 0; --y) {
        const uint8_t* line = picture.line(y);
        file.insert(file.end(), line, line + lineBytes);
        file.insert(file.end(), stride - lineBytes, 0);
    }
    return file;
}

}  // namespace duovue
