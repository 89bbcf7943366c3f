// StretchImg: automatic levels correction of a 24-bit picture, in place. Each channel gets a black
// and a white level from its histogram, adjusted by rules about gaps at the dark end, clipped
// highlights and colour casts; the channel is then stretched linearly from black to white, or
// left alone where stretching it would shift the colours. The channels (0 blue, 1 green, 2 red)
// are not treated alike.
#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>

#include "filter_common.h"

namespace zenthue {
namespace {

using Histogram = std::array<std::int64_t, 256>;

struct ChannelLevels {
    int black;  // lowest level present
    int next;   // lowest level present above black
    int foot;   // level at which 0.5 % of the pixels are reached from below
    int top;    // highest level present
    int white;  // level at which 97 % (98 % for channel 2) of the pixels are passed
    int share;  // percentage of pixels at 250 or above
};

// First level from 255 downward at which the count from the top exceeds percent of the pixels;
// level 0 is never counted.
int topShareLevel(const Histogram& h, std::int64_t pixels, int percent) {
    const std::int64_t threshold = percent * pixels / 100;
    std::int64_t sum = 0;
    for (int level = 255; level >= 1; --level) {
        sum += h[level];
        if (sum > threshold) return level;
    }
    return 0;
}

// Lowest level at which the running count from level 0 reaches `count`.
int levelReaching(const Histogram& h, std::int64_t count) {
    std::int64_t sum = 0;
    for (int level = 0; level < 256; ++level) {
        sum += h[level];
        if (sum >= count) return level;
    }
    return 256;
}

ChannelLevels measure(const Histogram& h, int channel, int width, int height) {
    const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
    ChannelLevels l{256, 256, 0, -1, 0, 0};
    for (int level = 0; level < 256; ++level) {
        if (h[level] != 0) {
            l.black = level;
            break;
        }
    }
    for (int level = l.black + 1; level < 256; ++level) {
        if (h[level] != 0) {
            l.next = level;
            break;
        }
    }
    for (int level = 255; level >= 0; --level) {
        if (h[level] != 0) {
            l.top = level;
            break;
        }
    }
    l.foot = levelReaching(h, 5 * pixels / 1000);
    const int percent = channel == 2 ? 98 : 97;
    l.white = std::min(levelReaching(h, percent * pixels / 100 + 1), 255);
    std::int64_t bright = 0;
    for (int level = 250; level < 256; ++level) bright += h[level];
    l.share = static_cast<int>(bright * 100 / width / height);
    return l;
}

// Raises the black level over a sparse dark end: a long run of empty levels moves it halfway to
// the foot, otherwise it moves to the next level present or to the foot.
void correctDarkEnd(const Histogram& h, ChannelLevels& l) {
    if (l.next - l.black < 12 && l.foot - l.black < 15) return;
    int run = 0;
    for (int k = l.black + 1; k < l.foot; ++k) {
        if (h[k] == 0) run = h[k - 1] >= 10 ? 0 : run + 1;
    }
    if (run >= 20) {
        l.black = (l.black + l.foot) / 2;
    } else {
        l.black = l.foot - l.next >= 15 ? l.next : l.foot;
    }
}

int middleOf(int a, int b, int c) {
    return std::max(std::min(a, b), std::min(std::max(a, b), c));
}

// Linear map from black..white onto 0..scale (each value at most 255); levels outside take the
// value of the nearer end.
void buildMap(std::array<BYTE, 256>& map, int black, int white, int scale) {
    for (int v = black; v <= white; ++v) {
        map[v] = static_cast<BYTE>(std::min((v - black) * scale / (white - black), 255));
    }
    for (int v = 0; v < black; ++v) map[v] = map[black];
    for (int v = white + 1; v < 256; ++v) map[v] = map[white];
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE** StretchImg(BYTE** rows, int width, int height) {
    using namespace zenthue;
    // The shares divide by width and height.
    if (!sidesWithin(width, height, 1, 1)) return nullptr;
    if (!rowsPresent(rows, height)) return nullptr;
    const std::int64_t pixels = static_cast<std::int64_t>(width) * height;

    std::array<Histogram, 3> h{};
    double sums[3] = {0.0, 0.0, 0.0};
    for (int y = 0; y < height; ++y) {
        const BYTE* row = rows[y];
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row + x * kPixelBytes;
            ++h[0][p[0]];
            ++h[1][p[1]];
            ++h[2][p[2]];
        }
    }
    for (int c = 0; c < 3; ++c) {
        for (int level = 1; level < 256; ++level)
            sums[c] += static_cast<double>(h[c][level]) * level;
    }
    float mean[3];
    for (int c = 0; c < 3; ++c) {
        mean[c] = static_cast<float>(sums[c]) / static_cast<float>(pixels);
    }

    ChannelLevels l[3];
    for (int c = 0; c < 3; ++c) l[c] = measure(h[c], c, width, height);
    const int savedWhite2 = l[2].white;
    const int savedWhite0 = l[0].white;
    const int savedTop2 = l[2].top;
    const int savedTop0 = l[0].top;
    const int savedWhite1 = l[1].white;

    for (int c = 0; c < 3; ++c) correctDarkEnd(h[c], l[c]);

    // Clipped highlights: the white level drops to where the brightest part begins.
    bool clip = false;
    if (l[2].share >= 15) {
        l[2].white = l[2].top = topShareLevel(h[2], pixels, 22);
        clip = true;
    }
    if (l[1].share >= 20) {
        l[1].white = l[1].top = topShareLevel(h[1], pixels, 20);
        clip = true;
    }
    if (l[0].share >= 15) {
        l[0].white = l[0].top = topShareLevel(h[0], pixels, 18);
        clip = true;
    } else if (clip && l[1].white >= 250 && l[2].white < 250) {
        l[0].white = l[0].top = topShareLevel(h[0], pixels, 15);
    }
    const auto revert = [&] {
        l[2].white = savedWhite2;
        l[2].top = savedTop2;
        l[0].white = savedWhite0;
        l[0].top = savedTop0;
        clip = false;
    };
    if (clip && l[2].share >= 15 && l[0].share >= 15 && l[1].share >= 12 && l[1].share < 20 &&
        (std::abs(savedWhite2 - l[2].white) >= 10 || std::abs(savedWhite0 - l[0].white) >= 10)) {
        revert();
    }
    if (clip && (savedWhite2 - l[2].white >= 20 || savedWhite0 - l[0].white >= 20) &&
        l[1].white == savedWhite1 && l[1].white >= 252) {
        revert();
    }
    if ((l[1].share > l[2].share + 5 && l[0].share > l[2].share + 5) || l[2].share == 0) {
        clip = true;
    }

    for (auto& c : l) {
        if (c.white <= c.black) c.white = c.black + 1;
        if (c.top <= 0) c.top = c.white;
    }

    // Which channels are mapped at all.
    bool map[3] = {true, true, true};
    const auto setMaps = [&](bool on) { map[0] = map[1] = map[2] = on; };
    int& w0 = l[0].white;
    int& w1 = l[1].white;
    int& w2 = l[2].white;
    const int r0 = l[0].top - w0;
    const int r1 = l[1].top - w1;
    const int r2 = l[2].top - w2;
    if (w0 >= 248 && w1 >= 248) {
        if (w0 - w2 >= 15 && w1 - w2 >= 15 && !clip) setMaps(false);
        if (w0 - w2 >= 85 && w1 - w2 >= 85) map[2] = true;
        if (w0 >= 250 && w1 >= 250 && w2 <= 180) map[2] = true;
        if (mean[1] > mean[2]) map[2] = true;
    } else {
        const int wide = (r0 >= 60) + (r1 >= 60) + (r2 >= 60);
        if (wide != 0 && wide != 3) {
            setMaps(false);
            if (w0 < 160 || w1 < 160 || w2 < 160) setMaps(true);
        } else if (w0 - w2 >= 50 && w1 - w2 >= 50) {
            const bool keep =
                r0 <= 10 && w0 >= 220 && r1 <= 10 && w1 >= 220 && r2 >= 45 && w2 <= 150;
            if (!keep) w2 = std::min(w0, w1);
        } else if (w0 - w1 >= 25 && w1 - w2 >= 25) {
            w2 = w1;
        }
    }

    bool capped = false;
    if (w1 < w2 && w0 < w2) {
        setMaps(true);
        if (w2 >= 250) {
            capped = true;
        } else if (w2 - w1 >= 28 && w2 - w0 >= 28) {
            setMaps(false);
        }
    }

    if (std::abs(w0 - w1) <= 8 && std::abs(w0 - w2) <= 8 && std::abs(w1 - w2) <= 8 && map[0] &&
        map[1] && map[2] && w0 <= w2 && w1 <= w2) {
        w0 = w1 = w2 = middleOf(w0, w1, w2);
    }

    if ((l[2].top <= 185 && w1 >= 200 && w0 >= 200) || l[2].top - w2 < 10) w2 = l[2].top;

    // Green correction.
    if (w1 < w0 - 10 && w1 < w2 - 10) {
        w1 = std::max(w0, w2);
    } else if (w1 < w0 && w1 < w2 && mean[1] > mean[2] && mean[0] < mean[1]) {
        w1 = std::max(w0, w2);
    } else if (mean[0] < mean[1] && mean[1] > mean[2] && w0 == 255 && w1 == 255 && w2 == 255 &&
               mean[1] >= 215.0 && mean[1] - mean[2] <= 10.0 && mean[0] <= 200.0) {
        w0 -= 35;
        w2 -= 35;
    }

    for (int c = 2; c >= 0; --c) {
        ChannelLevels& k = l[c];
        if (k.white <= k.black) k.white = k.black + 1;
        k.white = std::clamp(k.white, 0, 255);
        if (k.white == k.black) k.black = k.white - 1;
        if (k.black < 0) k.black = 0;
    }

    std::array<std::array<BYTE, 256>, 3> table{};
    // A capped channel 2 maps its white level to the brighter of the other two instead of to 255.
    const bool capTo = capped && l[2].top <= 252;
    buildMap(table[2], l[2].black, w2, capTo ? std::max(w0, w1) : 255);
    if (capTo && w1 <= w2 && w0 <= w2) w0 = w1 = std::max(w0, w1);
    buildMap(table[1], l[1].black, w1, 255);
    buildMap(table[0], l[0].black, w0, 255);

    if (!map[0] && !map[1] && !map[2]) return rows;
    for (int c = 0; c < 3; ++c) {
        if (map[c]) continue;
        for (int v = 0; v < 256; ++v) table[c][v] = static_cast<BYTE>(v);
    }
    for (int y = 0; y < height; ++y) {
        BYTE* row = rows[y];
        for (int x = 0; x < width; ++x) {
            BYTE* p = row + x * kPixelBytes;
            p[0] = table[0][p[0]];
            p[1] = table[1][p[1]];
            p[2] = table[2][p[2]];
        }
    }
    return rows;
}
