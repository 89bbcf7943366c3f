// Test helpers: a raw frame and an output image bound to the engine through its exports.
#pragma once

#include <cstring>
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

// Identity channel tables at 8 bits, no gamma, no white balance.
inline void identityTables() {
    SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
}

// A raw 8-bit frame and an output image of the same size, rows packed top to bottom, with the
// engine's row tables pointing at them (both ascending).
struct Frame {
    int width;
    int height;
    int bytesPerPixel;
    std::vector<BYTE> raw;
    std::vector<BYTE> out;

    Frame(int w, int h, int formatType, BYTE fill = 0, BYTE outFill = 0xEE)
        : width(w),
          height(h),
          bytesPerPixel(formatType == 2 ? 3 : (formatType == 1 ? 2 : 1)),
          raw(static_cast<size_t>(w) * h, fill),
          out(static_cast<size_t>(w) * h * 3, outFill) {
        SetImageFormat(formatType, 1, 1);
        bind();
    }

    void bind() {
        BITMAPINFOHEADER src = header(width, height, 8);
        BITMAPINFOHEADER dst = header(width, height, bytesPerPixel * 8);
        SetImgBuffer(raw.data(), &src, out.data(), &dst);
    }

    BYTE& at(int row, int col) { return raw[static_cast<size_t>(row) * width + col]; }
    // Output pixel (row, col) as bytes, in the bound output format.
    BYTE* pixel(int row, int col) {
        return &out[(static_cast<size_t>(row) * width + col) * bytesPerPixel];
    }
    // Fills the mosaic with one level per site kind.
    void mosaic(BYTE red, BYTE green, BYTE blue) {
        for (int r = 0; r < height; ++r)
            for (int c = 0; c < width; ++c)
                at(r, c) = (r % 2 == 0 && c % 2 == 0)   ? red
                           : (r % 2 == 1 && c % 2 == 1) ? blue
                                                        : green;
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
    GetColorGain(&rec);
    return rec;
}

}  // namespace enginetest
