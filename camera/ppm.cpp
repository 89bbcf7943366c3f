// Binary PPM (P6) reading for stores built from picture files.
#include <cctype>
#include <fstream>

#include "store.h"

namespace camera::detail {
namespace {

constexpr size_t kHeaderLimit = 4096;  // headers (with their comments) are at most this long

// Reads one header number, skipping whitespace and # comments. -1 when there is none.
long readNumber(const std::string& data, size_t& pos) {
    for (;;) {
        while (pos < data.size() && std::isspace(static_cast<unsigned char>(data[pos]))) ++pos;
        if (pos < data.size() && data[pos] == '#') {
            while (pos < data.size() && data[pos] != '\n') ++pos;
            continue;
        }
        break;
    }
    long value = 0;
    size_t digits = 0;
    while (pos < data.size() && std::isdigit(static_cast<unsigned char>(data[pos]))) {
        value = value * 10 + (data[pos] - '0');
        ++pos;
        if (++digits > 6) return -1;
    }
    return digits == 0 ? -1 : value;
}

}  // namespace

PpmHeader readPpmHeader(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StoreError(path + ": cannot be read");
    in.seekg(0, std::ios::end);
    const std::streamoff fileBytes = in.tellg();
    in.seekg(0);
    if (fileBytes < 0 || !in) throw StoreError(path + ": cannot be read");
    // The header is read on its own; no pixel data is read here.
    std::string data(kHeaderLimit, '\0');
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    data.resize(static_cast<size_t>(in.gcount()));
    if (data.size() < 2 || data[0] != 'P' || data[1] != '6')
        throw StoreError(path + ": not a binary PPM (P6) file");
    size_t pos = 2;
    const long width = readNumber(data, pos);
    const long height = readNumber(data, pos);
    const long maxval = readNumber(data, pos);
    if (width < 0 || height < 0 || maxval < 0 || pos >= data.size() ||
        !std::isspace(static_cast<unsigned char>(data[pos])))
        throw StoreError(path + ": damaged PPM header");
    if (maxval != 255) throw StoreError(path + ": only 8-bit PPM (maxval 255) is accepted");
    if (!((width == 320 && height == 240) || (width == 160 && height == 120)))
        throw StoreError(path + ": is " + std::to_string(width) + " x " + std::to_string(height) +
                         "; pictures must be 320 x 240 or 160 x 120");
    ++pos;  // the single whitespace byte after maxval
    const auto bytes = static_cast<std::streamoff>(width * height * 3);
    const std::streamoff pixelBytes = fileBytes - static_cast<std::streamoff>(pos);
    if (pixelBytes != bytes)
        throw StoreError(path + ": pixel data is " + std::to_string(pixelBytes) +
                         " bytes, expected " + std::to_string(bytes));
    return PpmHeader{static_cast<int>(width), static_cast<int>(height), pos};
}

Image readPpm(const std::string& path) {
    const PpmHeader header = readPpmHeader(path);
    Image image;
    image.width = header.width;
    image.height = header.height;
    image.rgb.resize(static_cast<size_t>(header.width) * header.height * 3);
    std::ifstream in(path, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(header.pixelOffset));
    in.read(reinterpret_cast<char*>(image.rgb.data()),
            static_cast<std::streamsize>(image.rgb.size()));
    // A file that changed since its header was read.
    if (!in || static_cast<size_t>(in.gcount()) != image.rgb.size())
        throw StoreError(path + ": pixel data cannot be read");
    return image;
}

}  // namespace camera::detail
