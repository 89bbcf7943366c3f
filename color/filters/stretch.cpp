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

using Histograms = std::array<Histogram, 3>;

// What the steps hand on to each other: the levels of the three channels (0 blue, 1 green,
// 2 red), the white and top levels as first measured, the channel means, and the decisions made.
struct Levels {
    std::array<ChannelLevels, 3> ch;
    std::array<ChannelLevels, 3> measured;
    std::array<float, 3> mean;
    bool clipped = false;                          // highlights are treated as clipped
    bool redCapped = false;                        // red is the brightest channel and reaches 250
    std::array<bool, 3> mapped{true, true, true};  // channels that get their map at all

    void mapAll(bool on) { mapped = {on, on, on}; }
};

Histograms countLevels(BYTE** rows, int width, int height) {
    Histograms h{};
    for (int y = 0; y < height; ++y) {
        const BYTE* row = rows[y];
        for (int x = 0; x < width; ++x) {
            const BYTE* p = row + x * kPixelBytes;
            ++h[0][p[0]];
            ++h[1][p[1]];
            ++h[2][p[2]];
        }
    }
    return h;
}

// The levels of every channel, its black level raised over a sparse dark end, and its mean.
Levels measureChannels(const Histograms& h, int width, int height) {
    const std::int64_t pixels = static_cast<std::int64_t>(width) * height;
    Levels l;
    for (int c = 0; c < 3; ++c) {
        l.ch[c] = measure(h[c], c, width, height);
        double sum = 0.0;
        for (int level = 1; level < 256; ++level) sum += static_cast<double>(h[c][level]) * level;
        l.mean[c] = static_cast<float>(sum) / static_cast<float>(pixels);
    }
    l.measured = l.ch;
    for (int c = 0; c < 3; ++c) correctDarkEnd(h[c], l.ch[c]);
    return l;
}

// Where a channel has many pixels at 250 or above, its white level drops to where that bright
// part begins; some mixes of bright shares undo the drop again.
void clipHighlights(const Histograms& h, std::int64_t pixels, Levels& l) {
    ChannelLevels& blue = l.ch[0];
    ChannelLevels& green = l.ch[1];
    ChannelLevels& red = l.ch[2];
    const ChannelLevels& was = l.measured[0];
    const ChannelLevels& wasRed = l.measured[2];
    if (red.share >= 15) {
        red.white = red.top = topShareLevel(h[2], pixels, 22);
        l.clipped = true;
    }
    if (green.share >= 20) {
        green.white = green.top = topShareLevel(h[1], pixels, 20);
        l.clipped = true;
    }
    if (blue.share >= 15) {
        blue.white = blue.top = topShareLevel(h[0], pixels, 18);
        l.clipped = true;
    } else if (l.clipped && green.white >= 250 && red.white < 250) {
        // Another channel clipped, green near white and red not: blue drops with them (top 15 %).
        blue.white = blue.top = topShareLevel(h[0], pixels, 15);
    }
    const auto restoreBlueAndRed = [&] {
        red.white = wasRed.white;
        red.top = wasRed.top;
        blue.white = was.white;
        blue.top = was.top;
        l.clipped = false;
    };
    // Blue and red both bright over a moderately bright green: a bright scene, not clipping.
    if (l.clipped && red.share >= 15 && blue.share >= 15 && green.share >= 12 && green.share < 20 &&
        (std::abs(wasRed.white - red.white) >= 10 || std::abs(was.white - blue.white) >= 10)) {
        restoreBlueAndRed();
    }
    // A large drop of blue or red beside an unclipped green already near 255 would tint the
    // picture green.
    if (l.clipped && (wasRed.white - red.white >= 20 || was.white - blue.white >= 20) &&
        green.white == l.measured[1].white && green.white >= 252) {
        restoreBlueAndRed();
    }
    // Red far less bright than green and blue, or with nothing bright at all, counts as clipped.
    if ((green.share > red.share + 5 && blue.share > red.share + 5) || red.share == 0) {
        l.clipped = true;
    }
    // Every map needs a white level above its black level and a top level.
    for (ChannelLevels& c : l.ch) {
        if (c.white <= c.black) c.white = c.black + 1;
        if (c.top <= 0) c.top = c.white;
    }
}

// Decides which channels are mapped, from how the white levels and the headroom above them
// (top - white) compare; red's white level is raised where it lags the others in a way
// stretching would turn into a cast.
void chooseMappedChannels(Levels& l) {
    int& w0 = l.ch[0].white;
    int& w1 = l.ch[1].white;
    int& w2 = l.ch[2].white;
    const int r0 = l.ch[0].top - w0;
    const int r1 = l.ch[1].top - w1;
    const int r2 = l.ch[2].top - w2;
    if (w0 >= 248 && w1 >= 248) {
        // Blue and green already reach white: a clearly lower red is a cast of the scene.
        if (w0 - w2 >= 15 && w1 - w2 >= 15 && !l.clipped) l.mapAll(false);
        // ... unless red is very far below, or green outweighs red on average.
        if (w0 - w2 >= 85 && w1 - w2 >= 85) l.mapped[2] = true;
        if (w0 >= 250 && w1 >= 250 && w2 <= 180) l.mapped[2] = true;
        if (l.mean[1] > l.mean[2]) l.mapped[2] = true;
    } else {
        const int wide = (r0 >= 60) + (r1 >= 60) + (r2 >= 60);
        if (wide != 0 && wide != 3) {
            // Some channels with long bright tails and some without: stretching shifts colours,
            // except in a dark picture.
            l.mapAll(false);
            if (w0 < 160 || w1 < 160 || w2 < 160) l.mapAll(true);
        } else if (w0 - w2 >= 50 && w1 - w2 >= 50) {
            // Red far below blue and green rises to them, unless it is a red-poor scene whose
            // red has a long tail.
            const bool keep =
                r0 <= 10 && w0 >= 220 && r1 <= 10 && w1 >= 220 && r2 >= 45 && w2 <= 150;
            if (!keep) w2 = std::min(w0, w1);
        } else if (w0 - w1 >= 25 && w1 - w2 >= 25) {
            // Levels falling from blue to red: red stretches as far as green.
            w2 = w1;
        }
    }
    // Red brighter than both others: every channel is mapped, red capped when near white; red
    // far above both below 250 is a red scene, left alone.
    if (w1 < w2 && w0 < w2) {
        l.mapAll(true);
        if (w2 >= 250) {
            l.redCapped = true;
        } else if (w2 - w1 >= 28 && w2 - w0 >= 28) {
            l.mapAll(false);
        }
    }
}

// Brings the white levels into line so that a neutral picture stays neutral.
void balanceWhites(Levels& l) {
    int& w0 = l.ch[0].white;
    int& w1 = l.ch[1].white;
    int& w2 = l.ch[2].white;
    const auto& mean = l.mean;
    // Whites within 8 of each other, red the highest: all take the middle one.
    if (std::abs(w0 - w1) <= 8 && std::abs(w0 - w2) <= 8 && std::abs(w1 - w2) <= 8 && l.mapped[0] &&
        l.mapped[1] && l.mapped[2] && w0 <= w2 && w1 <= w2) {
        w0 = w1 = w2 = middleOf(w0, w1, w2);
    }
    // A dim red under bright blue and green, or red with little headroom, stretches to its top.
    if ((l.ch[2].top <= 185 && w1 >= 200 && w0 >= 200) || l.ch[2].top - w2 < 10) {
        w2 = l.ch[2].top;
    }
    // Green well below both others, or below both and above red on average, would come out too
    // strong: it takes the higher white of the two.
    if (w1 < w0 - 10 && w1 < w2 - 10) {
        w1 = std::max(w0, w2);
    } else if (w1 < w0 && w1 < w2 && mean[1] > mean[2] && mean[0] < mean[1]) {
        w1 = std::max(w0, w2);
    } else if (mean[0] < mean[1] && mean[1] > mean[2] && w0 == 255 && w1 == 255 && w2 == 255 &&
               mean[1] >= 215.0 && mean[1] - mean[2] <= 10.0 && mean[0] <= 200.0) {
        // A very bright greenish picture: blue and red are lifted to pull it back to neutral.
        w0 -= 35;
        w2 -= 35;
    }
    // Every map needs 0 <= black < white <= 255.
    for (int c = 2; c >= 0; --c) {
        ChannelLevels& k = l.ch[c];
        if (k.white <= k.black) k.white = k.black + 1;
        k.white = std::clamp(k.white, 0, 255);
        if (k.white == k.black) k.black = k.white - 1;
        if (k.black < 0) k.black = 0;
    }
}

// Builds each channel's map from black..white and applies the mapped channels to the picture.
void applyMaps(BYTE** rows, int width, int height, Levels& l) {
    int& w0 = l.ch[0].white;
    int& w1 = l.ch[1].white;
    const int w2 = l.ch[2].white;
    std::array<std::array<BYTE, 256>, 3> table{};
    // A capped red maps its white level to the brighter of the other two instead of to 255,
    // and those two then share that white level.
    const bool capTo = l.redCapped && l.ch[2].top <= 252;
    buildMap(table[2], l.ch[2].black, w2, capTo ? std::max(w0, w1) : 255);
    if (capTo && w1 <= w2 && w0 <= w2) w0 = w1 = std::max(w0, w1);
    buildMap(table[1], l.ch[1].black, w1, 255);
    buildMap(table[0], l.ch[0].black, w0, 255);

    if (!l.mapped[0] && !l.mapped[1] && !l.mapped[2]) return;
    for (int c = 0; c < 3; ++c) {
        if (l.mapped[c]) continue;
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
}

}  // namespace
}  // namespace zenthue

extern "C" BYTE** StretchImg(BYTE** rows, int width, int height) {
    using namespace zenthue;
    // The shares divide by width and height.
    if (!sidesWithin(width, height, 1, 1)) return nullptr;
    if (!rowsPresent(rows, height)) return nullptr;
    const std::int64_t pixels = static_cast<std::int64_t>(width) * height;

    const Histograms h = countLevels(rows, width, height);
    Levels levels = measureChannels(h, width, height);
    clipHighlights(h, pixels, levels);
    chooseMappedChannels(levels);
    balanceWhites(levels);
    applyMaps(rows, width, height, levels);
    return rows;
}
