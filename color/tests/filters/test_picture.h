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
        : width(w), height(h), bytesPerPixel(bpp), bytes(size_t(w) * h * bpp, fill) {
        for (int y = 0; y < h; ++y) rows.push_back(bytes.data() + size_t(y) * w * bpp);
    }
    BYTE** table() { return rows.data(); }
    BYTE& channel(int x, int y, int c) { return rows[y][x * bytesPerPixel + c]; }
    void setPixel(int x, int y, int b, int g, int r) {
        channel(x, y, 0) = BYTE(b);
        channel(x, y, 1) = BYTE(g);
        channel(x, y, 2) = BYTE(r);
    }
    void setGray(int x, int y, int v) { setPixel(x, y, v, v, v); }
    // Channel c of row y, or of column x.
    std::vector<int> row(int y, int c) {
        std::vector<int> out;
        for (int x = 0; x < width; ++x) out.push_back(channel(x, y, c));
        return out;
    }
    std::vector<int> column(int x, int c) {
        std::vector<int> out;
        for (int y = 0; y < height; ++y) out.push_back(channel(x, y, c));
        return out;
    }
    void randomize(std::uint32_t seed) {
        std::mt19937 gen(seed);
        for (auto& b : bytes) b = static_cast<BYTE>(gen());
    }
};

// A one-row gray picture of the given values.
inline Picture grayRow(const std::vector<int>& values) {
    Picture p(int(values.size()), 1);
    for (size_t x = 0; x < values.size(); ++x) p.setGray(int(x), 0, values[x]);
    return p;
}

#endif  // DUOVUE_COLOR_TESTS_FILTERS_TEST_PICTURE_H
