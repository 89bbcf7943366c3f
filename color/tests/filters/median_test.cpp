#include <gtest/gtest.h>

#include <vector>

#include "filters/test_picture.h"

namespace {

// Middle value of a window after an exchange sort.
int exchangeSortMedian(std::vector<int> v) {
    for (size_t i = 0; i < v.size(); ++i) {
        for (size_t j = i + 1; j < v.size(); ++j) {
            if (v[j] < v[i]) std::swap(v[i], v[j]);
        }
    }
    return v[v.size() / 2];
}

// Window value of channel c at source pixel x of row y: zero left of the row, the last pixel
// repeated right of it.
int windowValue(Picture& p, int x, int y, int c) {
    if (x < 0) return 0;
    if (x >= p.width) x = p.width - 1;
    return p.channel(x, y, c);
}

// Straightforward 3 x 3 filter, pixel by pixel.
void reference3x3(Picture& src, Picture& dst) {
    for (int y = 1; y < src.height - 1; ++y) {
        for (int x = 0; x < src.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::vector<int> w;
                for (int r = -1; r <= 1; ++r) {
                    for (int k = -1; k <= 1; ++k) w.push_back(windowValue(src, x + k, y + r, c));
                }
                dst.channel(x, y, c) = BYTE(exchangeSortMedian(w));
            }
        }
    }
}

void reference5x5(Picture& src, Picture& dst) {
    for (int y = 0; y < src.height; ++y) {
        for (int x = 0; x + 2 < src.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                std::vector<int> w;
                for (int r = -2; r <= 2; ++r) {
                    const int row = (y + r < 0 || y + r >= src.height) ? y : y + r;
                    for (int k = -2; k <= 2; ++k) w.push_back(windowValue(src, x + k, row, c));
                }
                dst.channel(x, y, c) = BYTE(exchangeSortMedian(w));
            }
        }
    }
}

TEST(MedianFilters, EqualTheSortedWindowMiddleOnRandomPictures) {
    const int sizes[][2] = {{1, 3}, {3, 1}, {3, 5}, {5, 4}, {64, 3}, {65, 7}, {130, 6}, {200, 11}};
    std::uint32_t seed = 1;
    for (auto [w, h] : sizes) {
        Picture src(w, h);
        src.randomize(seed++);
        // Narrow value ranges give many ties.
        if (seed % 2 == 0) {
            for (auto& b : src.bytes) b = BYTE(100 + b % 4);
        }
        Picture got(w, h, 3, 33);
        Picture want(w, h, 3, 33);
        DoMedianFilter(src.table(), got.table(), w, h);
        reference3x3(src, want);
        EXPECT_EQ(got.bytes, want.bytes) << "3x3 " << w << " x " << h;

        Picture got5(w, h, 3, 33);
        Picture want5(w, h, 3, 33);
        MedianFilter5X5(src.table(), got5.table(), w, h);
        reference5x5(src, want5);
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
        for (int x = 0; x < 9; ++x) {
            for (int c = 0; c < 3; ++c) {
                if (y >= 1 && y <= 7) {
                    ASSERT_EQ(dst3.channel(x, y, c), 80) << x << "," << y;
                }
                if (x <= 6) {
                    ASSERT_EQ(dst5.channel(x, y, c), 80) << x << "," << y;
                }
            }
        }
    }
}

TEST(MedianFilters, RowsAndColumnsTheFiltersLeaveAlone) {
    Picture src(6, 3, 3, 90);
    Picture dst(6, 3, 3, 5);
    DoMedianFilter(src.table(), dst.table(), 6, 3);
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(dst.channel(x, 0, 0), 5);
        EXPECT_EQ(dst.channel(x, 1, 0), 90);
        EXPECT_EQ(dst.channel(x, 2, 2), 5);
    }
    Picture dst5(6, 3, 3, 5);
    MedianFilter5X5(src.table(), dst5.table(), 6, 3);
    for (int y = 0; y < 3; ++y) {
        EXPECT_EQ(dst5.channel(3, y, 1), 90);
        EXPECT_EQ(dst5.channel(4, y, 1), 5);
        EXPECT_EQ(dst5.channel(5, y, 1), 5);
    }
}

TEST(MedianFilters, OneRowPictureUsesItsRowFiveTimes) {
    Picture src(5, 1);
    const int values[5] = {10, 200, 30, 40, 50};
    for (int x = 0; x < 5; ++x) src.setGray(x, 0, BYTE(values[x]));
    Picture dst(5, 1, 3, 7);
    MedianFilter5X5(src.table(), dst.table(), 5, 1);
    // x = 0: 0 0 10 200 30 five times -> 10; x = 1: 0 10 200 30 40 -> 30; x = 2: -> 40.
    EXPECT_EQ(dst.channel(0, 0, 0), 10);
    EXPECT_EQ(dst.channel(1, 0, 0), 30);
    EXPECT_EQ(dst.channel(2, 0, 0), 40);
    EXPECT_EQ(dst.channel(3, 0, 0), 7);
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
    EXPECT_EQ(MedianFilter5X5(src.table(), dst.table(), 1, 4), 0);
    EXPECT_EQ(MedianFilter5X5(src.table(), dst.table(), 4, 0), 0);
    EXPECT_EQ(MedianFilter5X5(src.table(), nullptr, 4, 4), 0);
    for (BYTE b : dst.bytes) ASSERT_EQ(b, 66);
}

}  // namespace
