#include <gtest/gtest.h>

#include <algorithm>

#include "filters/test_picture.h"

namespace {

// Median of a window, per channel, the slow way: the window values of channel c around (x, y)
// with zero columns left of the row, the last column repeated right of it, and rows outside
// the picture replaced by row y; then an exchange sort and its middle value.
int windowMedian(Picture& p, int x, int y, int c, int radius) {
    std::vector<int> v;
    for (int r = -radius; r <= radius; ++r) {
        const int row = (y + r < 0 || y + r >= p.height) ? y : y + r;
        for (int k = x - radius; k <= x + radius; ++k) {
            v.push_back(k < 0 ? 0 : p.channel(std::min(k, p.width - 1), row, c));
        }
    }
    for (size_t i = 0; i < v.size(); ++i) {
        for (size_t j = i + 1; j < v.size(); ++j) {
            if (v[j] < v[i]) std::swap(v[i], v[j]);
        }
    }
    return v[v.size() / 2];
}

// Random pictures (some with only four levels, for ties) against the slow median; destination
// rows and columns that a filter leaves alone keep their fill.
TEST(MedianFilters, EqualTheSortedWindowMiddle) {
    // Up to rows longer than two of the vector path's 512-pixel strips.
    const int sizes[][2] = {{1, 3},  {3, 1},   {2, 4},    {5, 4},   {64, 3},
                            {65, 7}, {130, 6}, {200, 11}, {1100, 4}};
    std::uint32_t seed = 1;
    for (auto [w, h] : sizes) {
        Picture src(w, h);
        src.randomize(seed++);
        if (seed % 2 == 0) {
            for (auto& b : src.bytes) b = BYTE(100 + b % 4);
        }
        Picture got3(w, h, 3, 33), want3(w, h, 3, 33), got5(w, h, 3, 33), want5(w, h, 3, 33);
        DoMedianFilter(src.table(), got3.table(), w, h);
        MedianFilter5X5(src.table(), got5.table(), w, h);
        for (int y = 0; y < h; ++y) {
            for (int i = 0; i < 3 * w; ++i) {
                if (y >= 1 && y < h - 1)
                    want3.rows[y][i] = BYTE(windowMedian(src, i / 3, y, i % 3, 1));
                if (i / 3 < w - 2) want5.rows[y][i] = BYTE(windowMedian(src, i / 3, y, i % 3, 2));
            }
        }
        EXPECT_EQ(got3.bytes, want3.bytes) << "3x3 " << w << " x " << h;
        EXPECT_EQ(got5.bytes, want5.bytes) << "5x5 " << w << " x " << h;
    }
}

TEST(MedianFilters, BrightDotVanishesAndFlatStaysFlatLeftEdgeIncluded) {
    Picture src(9, 9, 3, 80);
    src.setPixel(4, 4, 255, 255, 255);
    src.setPixel(0, 4, 0, 255, 0);
    Picture dst3(9, 9, 3, 1);
    Picture dst5(9, 9, 3, 1);
    DoMedianFilter(src.table(), dst3.table(), 9, 9);
    MedianFilter5X5(src.table(), dst5.table(), 9, 9);
    for (int y = 0; y < 9; ++y) {
        for (int c = 0; c < 3; ++c) {
            EXPECT_EQ(dst3.row(y, c), std::vector<int>(9, y >= 1 && y <= 7 ? 80 : 1));
            EXPECT_EQ(dst5.row(y, c), (std::vector<int>{80, 80, 80, 80, 80, 80, 80, 1, 1}));
        }
    }
}

// The last pixel of a row sees the last column twice instead of a zero column.
TEST(MedianFilters, LastPixelOfTheThreeByThreeRepeatsTheLastColumn) {
    Picture src(2, 3);
    for (int y = 0; y < 3; ++y) {
        src.setGray(0, y, 50);
        src.setGray(1, y, 100);
    }
    Picture dst(2, 3);
    DoMedianFilter(src.table(), dst.table(), 2, 3);
    EXPECT_EQ(dst.channel(1, 1, 0), 100);  // 50 x 3 and 100 x 6; zeros would have given 50
    EXPECT_EQ(dst.channel(0, 1, 0), 50);   // 0 x 3, 50 x 3, 100 x 3
}

TEST(MedianFilters, SizesWithNothingToFilterWriteNothing) {
    Picture src(4, 4);
    Picture dst(4, 4, 3, 66);
    EXPECT_EQ(DoMedianFilter(src.table(), dst.table(), 4, 2), 0);
    EXPECT_EQ(DoMedianFilter(src.table(), dst.table(), 0, 4), 0);
    EXPECT_EQ(DoMedianFilter(nullptr, dst.table(), 4, 4), 0);
    EXPECT_EQ(MedianFilter5X5(src.table(), dst.table(), 2, 4), 0);
    EXPECT_EQ(MedianFilter5X5(src.table(), dst.table(), 1, 4), 0);  // would read pixel 1
    EXPECT_EQ(MedianFilter5X5(src.table(), dst.table(), 4, 0), 0);
    EXPECT_EQ(dst.bytes, std::vector<BYTE>(48, 66));
}

}  // namespace
