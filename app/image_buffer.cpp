// Application image buffers: packed 24-bit bitmaps from the driver, locked for their whole life.
#include <algorithm>

#include "zentdesk.h"

namespace zentdesk {

bool ImageBuffer::allocate(int w, int h) {
    release();
    HGLOBAL mem = GetImgHandle(w, h, 3);
    if (mem == nullptr) return false;
    auto* head = static_cast<BITMAPINFOHEADER*>(GlobalLock(mem));
    if (head == nullptr) {
        GlobalFree(mem);
        return false;
    }
    handle = mem;
    header = head;
    pixels = reinterpret_cast<BYTE*>(head) + head->biSize;
    // Rows follow each other at the bitmap's own row length (biWidth is a multiple of 4), so the
    // table and the header always describe the same picture.
    width = head->biWidth;
    height = std::min<int>(head->biHeight, kRowTableSize);
    const size_t stride = static_cast<size_t>(width) * 3;
    for (int r = 0; r < height; ++r) rows[r] = pixels + r * stride;
    return true;
}

void ImageBuffer::release() {
    if (handle != nullptr) {
        GlobalUnlock(handle);
        GlobalFree(handle);
    }
    handle = nullptr;
    header = nullptr;
    pixels = nullptr;
    rows.fill(nullptr);
    width = 0;
    height = 0;
}

}  // namespace zentdesk
