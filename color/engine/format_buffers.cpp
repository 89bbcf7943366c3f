// Output format, row tables from caller buffers, and packed-bitmap allocation.
#include "engine/engine_state.h"
#include "engine/row_tables.h"
#include "zenthue.h"

using zenthue::engineState;

extern "C" int SetImageFormat(int formatType, int srcRowsDown, int dstRowsDown) {
    auto& s = engineState();
    s.formatType = formatType;
    s.srcRowsDown = srcRowsDown;
    s.dstRowsDown = dstRowsDown;
    s.formatBits = formatType == 2 ? 24 : (formatType == 1 ? 16 : 8);
    return srcRowsDown;
}

extern "C" int SetImgBuffer(BYTE* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                            const BITMAPINFOHEADER* dstHeader) {
    auto& s = engineState();
    // A header taller than the tables would write past them: then neither table changes.
    if (!zenthue::rowsFit(*srcHeader) || !zenthue::rowsFit(*dstHeader)) return 0;
    zenthue::fillRowTable(s.srcRows, src, *srcHeader, s.srcRowsDown);
    zenthue::fillRowTable(s.dstRows, dst, *dstHeader, s.dstRowsDown);
    return 1;
}

extern "C" HGLOBAL GetImageHandle(int width, int height, int format) {
    if (width % 4 != 0) width = (width / 4) * 4 + 4;
    if (width == 0 && height == 0) return nullptr;
    const int bits = format == 2 ? 24 : (format == 1 ? 16 : 8);
    const long long pixelBytes = static_cast<long long>(bits) * height * width / 8;
    // A negative size (negative width or height) cannot be allocated.
    if (pixelBytes < 0) return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                 static_cast<size_t>(pixelBytes) + sizeof(BITMAPINFOHEADER));
    if (handle == nullptr) return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(handle));
    if (header == nullptr) {
        GlobalFree(handle);
        return nullptr;
    }
    *header = BITMAPINFOHEADER{};
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    GlobalUnlock(handle);
    return handle;
}
