// Packed 24-bit bitmaps from the driver, locked for their whole life, with a row table.
#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "session.h"

namespace zentsession {

PackedBitmap::PackedBitmap(PackedBitmap&& other) noexcept
    : handle_(std::exchange(other.handle_, nullptr)),
      header_(std::exchange(other.header_, nullptr)),
      pixels_(std::exchange(other.pixels_, nullptr)),
      rows_(std::exchange(other.rows_, nullptr)),
      width_(std::exchange(other.width_, 0)),
      height_(std::exchange(other.height_, 0)) {}

PackedBitmap& PackedBitmap::operator=(PackedBitmap&& other) noexcept {
    if (this != &other) {
        release();
        handle_ = std::exchange(other.handle_, nullptr);
        header_ = std::exchange(other.header_, nullptr);
        pixels_ = std::exchange(other.pixels_, nullptr);
        rows_ = std::exchange(other.rows_, nullptr);
        width_ = std::exchange(other.width_, 0);
        height_ = std::exchange(other.height_, 0);
    }
    return *this;
}

bool PackedBitmap::allocate(int width, int height, const Allocator& allocator) {
    release();
    if (width <= 0 || height <= 0) return false;
    HGLOBAL mem = allocator ? allocator(width, height, 3) : GetImgHandle(width, height, 3);
    if (mem == nullptr) return false;
    auto* head = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
    if (head == nullptr || head->biWidth <= 0 || head->biHeight <= 0) {
        if (head != nullptr) GlobalUnlock(mem);
        GlobalFree(mem);
        return false;
    }
    auto* table = new (std::nothrow) BYTE*[static_cast<size_t>(head->biHeight)];
    if (table == nullptr) {
        GlobalUnlock(mem);
        GlobalFree(mem);
        return false;
    }
    handle_ = mem;
    header_ = head;
    pixels_ = reinterpret_cast<BYTE*>(head) + head->biSize;
    rows_ = table;
    // Rows follow each other at the bitmap's own row length (biWidth is a multiple of 4), so the
    // table and the header always describe the same picture.
    width_ = head->biWidth;
    height_ = head->biHeight;
    for (int r = 0; r < height_; ++r) rows_[r] = pixels_ + r * rowBytes();
    return true;
}

void PackedBitmap::release() {
    if (handle_ != nullptr) {
        GlobalUnlock(handle_);
        GlobalFree(handle_);
    }
    delete[] rows_;
    handle_ = nullptr;
    header_ = nullptr;
    pixels_ = nullptr;
    rows_ = nullptr;
    width_ = 0;
    height_ = 0;
}

bool PackedBitmap::copyFrom(const PackedBitmap& from, int width, int height) {
    if (!*this || !from || width < 0 || height < 0) return false;
    const int rows = std::min({height, height_, from.height_});
    const size_t bytes = static_cast<size_t>(std::min({width, width_, from.width_})) * 3;
    for (int r = 0; r < rows; ++r) std::memcpy(rows_[r], from.rows_[r], bytes);
    return true;
}

}  // namespace zentsession
