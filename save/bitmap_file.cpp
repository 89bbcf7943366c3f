#include "bitmap_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <QBuffer>
#include <QImage>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <limits>

namespace savedib {
namespace {

namespace fs = std::filesystem;

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

bool encodeBmp(const BitmapView& bitmap, std::vector<BYTE>& file) {
    const size_t imageBytes = bitmap.stride * bitmap.height;
    constexpr size_t kHeaders = 14 + sizeof(BITMAPINFOHEADER);
    if (imageBytes > std::numeric_limits<uint32_t>::max() - kHeaders) return false;

    file.assign(kHeaders + imageBytes, 0);
    BYTE* head = file.data();
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

    // File rows run bottom line first.
    BYTE* to = head + kHeaders;
    for (int y = bitmap.height - 1; y >= 0; --y, to += bitmap.stride)
        std::memcpy(to, bitmap.line(y), bitmap.stride);
    return true;
}

bool encodePng(const BitmapView& bitmap, std::vector<BYTE>& file) {
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
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !image.save(&buffer, "PNG")) return false;
    file.assign(bytes.begin(), bytes.end());
    return true;
}

bool replaceFile(const std::string& path, const std::vector<BYTE>& bytes) {
    std::error_code error;
    fs::path target(path);
    // A link is written through, as opening the path would; a name that is there but not a
    // regular file (a folder, a device) is never replaced.
    if (fs::exists(fs::symlink_status(target, error))) {
        target = fs::canonical(target, error);
        if (error || !fs::is_regular_file(target, error)) return false;
        if (::access(target.c_str(), W_OK) != 0) return false;  // kept read-only by its owner
    }
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");

    // A fresh name beside the target, created here and so the only thing this call may remove.
    static std::atomic<unsigned> serial{0};
    fs::path temporary;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        temporary = folder / ("." + target.filename().string() + "." + std::to_string(::getpid()) +
                              "." + std::to_string(serial++) + ".part");
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) return false;
    }
    if (fd < 0) return false;

    bool good = true;
    for (size_t done = 0; good && done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        good = n > 0;
        if (good) done += static_cast<size_t>(n);
    }
    good = good && ::fsync(fd) == 0;
    good = (::close(fd) == 0) && good;
    good = good && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!good) ::unlink(temporary.c_str());
    return good;
}

}  // namespace savedib
