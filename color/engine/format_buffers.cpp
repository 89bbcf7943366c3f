// Output format, row tables from caller buffers, and packed-bitmap allocation.
#include <cstdint>

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
    // A missing header, or one taller than the tables (which would write past them): then
    // neither table changes.
    if (srcHeader == nullptr || dstHeader == nullptr) return 0;
    if (!zenthue::rowsFit(*srcHeader) || !zenthue::rowsFit(*dstHeader)) return 0;
    zenthue::fillRowTable(s.srcRows, src, *srcHeader, s.srcRowsDown);
    zenthue::fillRowTable(s.dstRows, dst, *dstHeader, s.dstRowsDown);
    return 1;
}

extern "C" HGLOBAL GetImageHandle(int width, int height, int format) {
    // Sizes in 64 bits: the rounded width of a width near INT_MAX does not fit an int.
    int64_t aligned = width;
    if (aligned % 4 != 0) aligned = (aligned / 4) * 4 + 4;
    if (aligned == 0 && height == 0) return nullptr;
    // A negative width or height describes no bitmap, nor does a width past the header's field.
    if (aligned < 0 || height < 0 || aligned > INT32_MAX) return nullptr;
    const int bits = format == 2 ? 24 : (format == 1 ? 16 : 8);
    const int64_t pixelBytes = aligned * height * bits / 8;
    if (pixelBytes > static_cast<int64_t>(UINT32_MAX) - 40) return nullptr;
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
    header->biWidth = static_cast<LONG>(aligned);
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    GlobalUnlock(handle);
    return handle;
}
