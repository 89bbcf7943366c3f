// A picture in one buffer with its row table, for the filter tests.
#ifndef DUOVUE_COLOR_TESTS_FILTERS_TEST_PICTURE_H
#define DUOVUE_COLOR_TESTS_FILTERS_TEST_PICTURE_H

#include <cstdint>
#include <random>
#include <vector>

#include "zenthue.h"

struct Picture {
    int width;
    int height;
    int bytesPerPixel;
    std::vector<BYTE> bytes;
    std::vector<BYTE*> rows;

    Picture(int w, int h, int bpp = 3, BYTE fill = 0)
        : width(w),
          height(h),
          bytesPerPixel(bpp),
          bytes(static_cast<size_t>(w > 0 ? w : 0) * (h > 0 ? h : 0) * bpp, fill) {
        for (int y = 0; y < h; ++y) rows.push_back(bytes.data() + static_cast<size_t>(y) * w * bpp);
    }

    BYTE** table() { return rows.data(); }
    BYTE* at(int x, int y) { return rows[y] + x * bytesPerPixel; }
    BYTE& channel(int x, int y, int c) { return at(x, y)[c]; }

    void setPixel(int x, int y, BYTE b, BYTE g, BYTE r) {
        at(x, y)[0] = b;
        at(x, y)[1] = g;
        at(x, y)[2] = r;
    }
    void setGray(int x, int y, BYTE v) {
        for (int c = 0; c < bytesPerPixel; ++c) at(x, y)[c] = v;
    }

    void randomize(std::uint32_t seed) {
        std::mt19937 gen(seed);
        for (auto& b : bytes) b = static_cast<BYTE>(gen());
    }
};

#endif  // DUOVUE_COLOR_TESTS_FILTERS_TEST_PICTURE_H
