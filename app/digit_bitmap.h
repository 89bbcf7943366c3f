// The digit bitmap of the counter: 13 x 506 pixels, 16 colors, two series of the digits 0 to 9 in
// 13 x 23 cells. Final series: digit d at rows 253 - 23d to 275 - 23d; running series: rows
// 483 - 23d to 505 - 23d (row 0 at the top). Rows 0 to 45 are not used.
#pragma once

#include <QImage>

namespace zentdesk {

inline constexpr int kDigitBitmapWidth = 13;
inline constexpr int kDigitBitmapHeight = 506;
inline constexpr int kDigitCellHeight = 23;

inline int finalDigitTop(int digit) {
    return 253 - kDigitCellHeight * digit;
}
inline int runningDigitTop(int digit) {
    return 483 - kDigitCellHeight * digit;
}

// Draws the glyphs: seven-segment digits, green in the final series, amber in the running one.
QImage makeDigitBitmap();

}  // namespace zentdesk
