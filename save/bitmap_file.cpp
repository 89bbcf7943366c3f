#include "bitmap_file.h"

#include <QImage>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace savedib {
namespace {

constexpr int kMaxSide = 1 << 15;  // keeps every size product far inside 32 bits

void putLe16(BYTE* at, unsigned value) {
    at[0] = static_cast<BYTE>(value);
    at[1] = static_cast<BYTE>(value >> 8);
}

void putLe32(BYTE* at, uint32_t value) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<BYTE>(value >> (8 * i));
}

}  // namespace

std::optional<BitmapView> viewBitmap(const void* block, size_t bytes) {
    if (block == nullptr || bytes < sizeof(BITMAPINFOHEADER)) return std::nullopt;
    const auto* header = static_cast<const BITMAPINFOHEADER*>(block);
    if (header->biSize < sizeof(BITMAPINFOHEADER) || header->biSize > bytes) return std::nullopt;
    if (header->biBitCount != 24 || header->biCompression != 0) return std::nullopt;
    const LONG width = header->biWidth;
    const LONG height = header->biHeight;
    if (width <= 0 || width > kMaxSide || height == 0 || height < -kMaxSide || height > kMaxSide)
        return std::nullopt;
    BitmapView view;
    view.header = header;
    view.width = width;
    view.height = height > 0 ? height : -height;
    view.bottomUp = height > 0;
    view.stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    if (view.stride * view.height > bytes - header->biSize) return std::nullopt;
    view.pixels = static_cast<const BYTE*>(block) + header->biSize;
    return view;
}

bool wantsPng(const std::string& path) {
    if (path.size() < 4) return false;
    std::string tail = path.substr(path.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return tail == ".png";
}

bool writeBmp(const std::string& path, const BitmapView& bitmap) {
    const size_t imageBytes = bitmap.stride * bitmap.height;
    constexpr size_t kHeaders = 14 + sizeof(BITMAPINFOHEADER);
    if (imageBytes > std::numeric_limits<uint32_t>::max() - kHeaders) return false;

    BYTE head[kHeaders] = {};
    head[0] = 'B';
    head[1] = 'M';
    putLe32(head + 2, static_cast<uint32_t>(kHeaders + imageBytes));
    putLe32(head + 10, static_cast<uint32_t>(kHeaders));
    // A plain bottom-up header, whatever extras the source header carried.
    BYTE* info = head + 14;
    putLe32(info, sizeof(BITMAPINFOHEADER));
    putLe32(info + 4, static_cast<uint32_t>(bitmap.width));
    putLe32(info + 8, static_cast<uint32_t>(bitmap.height));
    putLe16(info + 12, 1);
    putLe16(info + 14, 24);
    putLe32(info + 20, static_cast<uint32_t>(imageBytes));
    putLe32(info + 24, static_cast<uint32_t>(bitmap.header->biXPelsPerMeter));
    putLe32(info + 28, static_cast<uint32_t>(bitmap.header->biYPelsPerMeter));

    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    bool good = std::fwrite(head, 1, kHeaders, file) == kHeaders;
    // File rows run bottom line first.
    for (int y = bitmap.height - 1; good && y >= 0; --y) {
        good = std::fwrite(bitmap.line(y), 1, bitmap.stride, file) == bitmap.stride;
    }
    good = (std::fclose(file) == 0) && good;
    if (!good) std::remove(path.c_str());
    return good;
}

bool writePng(const std::string& path, const BitmapView& bitmap) {
    QImage image(bitmap.width, bitmap.height, QImage::Format_RGB888);
    if (image.isNull()) return false;
    for (int y = 0; y < bitmap.height; ++y) {
        const BYTE* from = bitmap.line(y);
        uchar* to = image.scanLine(y);
        for (int x = 0; x < bitmap.width; ++x, from += 3, to += 3) {
            to[0] = from[2];
            to[1] = from[1];
            to[2] = from[0];
        }
    }
    if (image.save(QString::fromStdString(path), "PNG")) return true;
    std::remove(path.c_str());
    return false;
}

}  // namespace savedib
