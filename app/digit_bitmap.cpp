#include "digit_bitmap.h"

#include <array>
#include <cstdint>

namespace zentdesk {
namespace {

// Segments a..g (top, upper right, lower right, bottom, lower left, upper left, middle).
constexpr std::array<uint8_t, 10> kSegments = {0x3F, 0x06, 0x5B, 0x4F, 0x66,
                                               0x6D, 0x7D, 0x07, 0x7F, 0x6F};

struct Box {
    int x0, y0, x1, y1;  // inclusive, inside a 13 x 23 cell
};
constexpr std::array<Box, 7> kSegmentBoxes = {{
    {3, 1, 9, 2},      // a
    {10, 3, 11, 10},   // b
    {10, 12, 11, 19},  // c
    {3, 20, 9, 21},    // d
    {1, 12, 2, 19},    // e
    {1, 3, 2, 10},     // f
    {3, 10, 9, 12},    // g
}};

// Palette indices of the 16-color bitmap.
enum : uint8_t { kBlack = 0, kDimGreen = 1, kGreen = 2, kDimAmber = 3, kAmber = 4 };

void drawCell(QImage& image, int top, int digit, uint8_t lit, uint8_t unlit) {
    for (int s = 0; s < 7; ++s) {
        const Box& b = kSegmentBoxes[s];
        const uint8_t index = (kSegments[digit] >> s) & 1 ? lit : unlit;
        for (int y = b.y0; y <= b.y1; ++y) {
            uchar* line = image.scanLine(top + y);
            for (int x = b.x0; x <= b.x1; ++x) line[x] = index;
        }
    }
}

}  // namespace

QImage makeDigitBitmap() {
    QImage image(kDigitBitmapWidth, kDigitBitmapHeight, QImage::Format_Indexed8);
    QList<QRgb> colors(16, qRgb(0, 0, 0));
    colors[kDimGreen] = qRgb(0, 48, 0);
    colors[kGreen] = qRgb(0, 255, 0);
    colors[kDimAmber] = qRgb(56, 32, 0);
    colors[kAmber] = qRgb(255, 176, 0);
    image.setColorTable(colors);
    image.fill(kBlack);
    for (int d = 0; d <= 9; ++d) {
        drawCell(image, finalDigitTop(d), d, kGreen, kDimGreen);
        drawCell(image, runningDigitTop(d), d, kAmber, kDimAmber);
    }
    return image;
}

}  // namespace zentdesk
