// Test helpers: a raw frame and an output image bound to the engine through its exports.
#pragma once

#include <vector>

#include "zenthue.h"

namespace enginetest {

inline BITMAPINFOHEADER header(int width, int height, int bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    return h;
}

// Identity channel tables at 8 bits, no gamma, in the given white-balance mode.
inline void identityTables(int wbMode = 0) {
    SetColorGain(32, 32, 32, 32, wbMode, 1.0f, 1.0f, 0, 0, 8, 0);
}

// A raw frame and an output image (3 bytes per pixel of room), rows packed top to bottom,
// bound to the engine with ascending row tables and the given output format.
struct Frame {
    int width, height, bytesPerPixel;
    std::vector<BYTE> raw, out;

    Frame(int w, int h, int formatType, BYTE fill = 0, BYTE outFill = 0xEE)
        : width(w),
          height(h),
          bytesPerPixel(formatType == 1 ? 2 : 3),
          raw(static_cast<size_t>(w) * h, fill),
          out(static_cast<size_t>(w) * h * 3, outFill) {
        SetImageFormat(formatType, 1, 1);
        bind();
    }
    void bind() {
        BITMAPINFOHEADER src = header(width, height, 8),
                         dst = header(width, height, 8 * bytesPerPixel);
        SetImgBuffer(raw.data(), &src, out.data(), &dst);
    }
    BYTE& at(int row, int col) { return raw[static_cast<size_t>(row) * width + col]; }
    BYTE* pixel(int row, int col) {
        return &out[(static_cast<size_t>(row) * width + col) * bytesPerPixel];
    }
    // One level per site kind of the RGGB mosaic.
    void mosaic(BYTE red, BYTE green, BYTE blue) {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                at(r, c) = r % 2 == 0 && c % 2 == 0 ? red : (r % 2 && c % 2 ? blue : green);
    }
};

struct Bgr {
    int b, g, r;
    bool operator==(const Bgr&) const = default;
};
inline Bgr bgr(const BYTE* p) {
    return {p[0], p[1], p[2]};
}

// The low bytes of the blue, green and red table entries for level v, seen through a flat frame
// (white-balance mode must be 0).
inline Bgr tableEntries(BYTE v) {
    Frame f(2, 3, 2, v);
    GetRawColorFrame(2, 3);
    return bgr(f.pixel(1, 0));
}

inline ColorGainRecord gains() {
    ColorGainRecord rec{};
    return *GetColorGain(&rec);
}

}  // namespace enginetest
