// Binary PPM (P6) reading for stores built from picture files.
#include <cctype>
#include <fstream>
#include <iterator>

#include "store.h"

namespace camera::detail {
namespace {

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

Image readPpm(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw StoreError(path + ": cannot be read");
    // The largest picture accepted is 320 x 240; anything much bigger is refused unread.
    constexpr size_t kLimit = 320 * 240 * 3 + 4096;
    std::string data;
    data.resize(kLimit + 1);
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
    const size_t bytes = static_cast<size_t>(width) * height * 3;
    if (data.size() - pos != bytes)
        throw StoreError(path + ": pixel data is " + std::to_string(data.size() - pos) +
                         " bytes, expected " + std::to_string(bytes));
    Image image;
    image.width = static_cast<int>(width);
    image.height = static_cast<int>(height);
    image.rgb.assign(data.begin() + static_cast<std::ptrdiff_t>(pos), data.end());
    return image;
}

}  // namespace camera::detail
