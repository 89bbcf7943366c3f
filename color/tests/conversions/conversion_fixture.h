// Test helpers: frames bound to the engine through its exports, and the sample patterns the
// expected values were worked out for.
#pragma once

#include <cstddef>
#include <vector>

#include "zenthue.h"

namespace convtest {

constexpr BYTE kUntouched = 0xEE;

inline BITMAPINFOHEADER header(int width, int height, int bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    return h;
}

// Gains in 1/32, no gamma, no white balance unless asked.
inline void setGains(int red, int green, int blue, int luma, int wbMode = 0, int tableBits = 8,
                     int raw12Path = 0) {
    SetColorGain(red, green, blue, luma, wbMode, 1.0f, 1.0f, 0, 0, tableBits, raw12Path);
}

// Sample patterns with a spread of levels and edges in every direction.
inline BYTE pattern8(int r, int c) {
    return static_cast<BYTE>(60 + (r * 53 + c * 29 + r * c * 7) % 97);
}
inline WORD pattern12(int r, int c) {
    return static_cast<WORD>((r * 811 + c * 397 + r * c * 53) % 4096);
}

// An 8-bit raw frame and an output image, rows packed, bound ascending in the given format.
struct Frame {
    int width, height, bytesPerPixel;
    std::vector<BYTE> raw, out;

    Frame(int w, int h, int formatType)
        : width(w),
          height(h),
          bytesPerPixel(formatType == 2 ? 3 : (formatType == 1 ? 2 : 1)),
          raw(static_cast<std::size_t>(w) * h),
          out(static_cast<std::size_t>(w) * h * bytesPerPixel, kUntouched) {
        SetImageFormat(formatType, 1, 1);
        BITMAPINFOHEADER src = header(w, h, 8), dst = header(w, h, bytesPerPixel * 8);
        SetImgBuffer(raw.data(), &src, out.data(), &dst);
    }
    BYTE& at(int r, int c) { return raw[static_cast<std::size_t>(r) * width + c]; }
    const BYTE* pixel(int r, int c) const {
        return &out[(static_cast<std::size_t>(r) * width + c) * bytesPerPixel];
    }
    void fill(BYTE v) { raw.assign(raw.size(), v); }
    void fillPattern() {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c) at(r, c) = pattern8(r, c);
    }
    // One level per Bayer site kind (R at even row and column, B at odd row and column).
    void fillSites(BYTE red, BYTE green, BYTE blue) {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                at(r, c) = (r % 2 == 0 && c % 2 == 0) ? red : (r % 2 && c % 2) ? blue : green;
    }
    // True when pixel (r, c) still holds the fill the output started with.
    bool untouched(int r, int c) const {
        for (int k = 0; k < bytesPerPixel; ++k)
            if (pixel(r, c)[k] != kUntouched) return false;
        return true;
    }
};

}  // namespace convtest
