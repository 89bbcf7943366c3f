// The built-in scenes and pictures the sensor photographs, and their true colours.
#include <algorithm>
#include <array>
#include <cstring>

#include "duovue_camera.h"
#include "sensor.h"

namespace camera {
namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

// Flat regions: 16 px from the edges, 120 x 80 each.
constexpr int kRegionW = 120, kRegionH = 80;
constexpr int kLeftX = 16, kRightX = 184, kTopY = 16, kBottomY = 144;
// The detail band across the middle, where moving things move.
constexpr int kBandTop = 104, kBandBottom = 136;  // exclusive
constexpr int kBoxWidth = 40;
constexpr int kBoxStep = 6;  // pixels per frame

constexpr std::array<Rgb, 12> kPalette{{
    {200, 40, 40},    // red
    {50, 170, 60},    // green
    {40, 70, 200},    // blue
    {210, 200, 60},   // yellow
    {50, 180, 190},   // cyan
    {190, 60, 170},   // magenta
    {225, 225, 225},  // white
    {230, 130, 40},   // orange
    {110, 50, 160},   // purple
    {128, 128, 128},  // grey
    {35, 35, 40},     // near black
    {120, 80, 40},    // brown
}};

struct Layout {
    Rgb background;
    std::array<Rgb, 4> corners;  // top-left, top-right, bottom-left, bottom-right
    Rgb stripeA, stripeB;
    int stripeWidth;
    Rgb box;
    bool moving;
};

Layout layoutOf(int id) {
    Layout l{};
    if (id == kLiveScene) {
        l.corners = {kPalette[0], kPalette[1], kPalette[2], kPalette[3]};
        l.background = kPalette[9];
        l.stripeA = kPalette[10];
        l.stripeB = kPalette[6];
        l.stripeWidth = 8;
        l.box = kPalette[7];
        l.moving = true;
        return l;
    }
    // Still scenes rotate the palette; the clip scenes take every fifth colour.
    const int base = id < kClipSceneFirst ? id : (id - kClipSceneFirst) * 5 + 2;
    for (int k = 0; k < 4; ++k) l.corners[k] = kPalette[(base + 3 * k) % 12];
    l.background = kPalette[(base + 1) % 12];
    l.stripeA = kPalette[(base + 2) % 12];
    l.stripeB = kPalette[(base + 7) % 12];
    l.stripeWidth = 2 + id % 5;
    l.box = kPalette[(base + 4) % 12];
    l.moving = id >= kClipSceneFirst;
    return l;
}

// Left edge of the moving box at a frame; it sweeps across and re-enters from the left.
int boxLeft(uint32_t frame) {
    const int period = kWidth + kBoxWidth;
    return static_cast<int>((frame * kBoxStep) % period) - kBoxWidth;
}

Rgb builtinAt(const Layout& l, uint32_t frame, int x, int y) {
    if (y >= kBandTop && y < kBandBottom) {
        if (l.moving) {
            const int left = boxLeft(frame);
            if (x >= left && x < left + kBoxWidth && y >= kBandTop + 4 && y < kBandBottom - 4)
                return l.box;
        }
        return ((x / l.stripeWidth) & 1) ? l.stripeB : l.stripeA;
    }
    const bool left = x >= kLeftX && x < kLeftX + kRegionW;
    const bool right = x >= kRightX && x < kRightX + kRegionW;
    const bool top = y >= kTopY && y < kTopY + kRegionH;
    const bool bottom = y >= kBottomY && y < kBottomY + kRegionH;
    if (top && left) return l.corners[0];
    if (top && right) return l.corners[1];
    if (bottom && left) return l.corners[2];
    if (bottom && right) return l.corners[3];
    return l.background;
}

void put(uint8_t* p, Rgb c) {
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

}  // namespace

// id -1 without a picture is the all-black scene.
Scene::Scene() = default;

Scene Scene::builtin(int id, uint32_t frame) {
    Scene s;
    s.id_ = std::clamp(id, 0, kLiveScene);
    s.frame_ = frame;
    return s;
}

Scene Scene::fromImage(Image image) {
    Scene s;
    s.picture_ = std::make_shared<const Image>(std::move(image));
    return s;
}

bool Scene::moving() const {
    return !picture_ && id_ >= 0 && layoutOf(id_).moving;
}
int Scene::width() const {
    return picture_ ? picture_->width : kWidth;
}
int Scene::height() const {
    return picture_ ? picture_->height : kHeight;
}

Rgb Scene::at(int x, int y) const {
    if (x < 0 || y < 0 || x >= width() || y >= height()) return {};
    if (picture_) return picture_->at(x, y);
    if (id_ < 0) return {};
    return builtinAt(layoutOf(id_), frame_, x, y);
}

Rgb Scene::pictureAt(int w, int h, int x, int y) const {
    const int nw = width(), nh = height();
    if (w <= 0 || h <= 0 || x < 0 || y < 0 || x >= w || y >= h) return {};
    if (w == nw && h == nh) return at(x, y);
    // The sensor sends the bottom line first: wire row = h - 1 - y.
    const int wireRow = h - 1 - y;
    if (w * 2 == nw && h * 2 == nh)
        return at(detail::thinned(x), nh - 1 - detail::thinned(wireRow));
    return at(x * nw / w, nh - 1 - wireRow * nh / h);
}

std::vector<Region> Scene::regions(int w, int h) const {
    if (picture_ || id_ < 0) return {};
    const Layout l = layoutOf(id_);
    static constexpr std::array<std::string_view, 4> kNames{"top-left", "top-right", "bottom-left",
                                                            "bottom-right"};
    const std::array<std::pair<int, int>, 4> origins{
        {{kLeftX, kTopY}, {kRightX, kTopY}, {kLeftX, kBottomY}, {kRightX, kBottomY}}};
    std::vector<Region> out;
    for (int k = 0; k < 4; ++k) {
        Region r;
        r.name = kNames[k];
        r.x = origins[k].first * w / kWidth;
        r.y = origins[k].second * h / kHeight;
        r.width = kRegionW * w / kWidth;
        r.height = kRegionH * h / kHeight;
        r.colour = l.corners[k];
        out.push_back(r);
    }
    return out;
}

void Scene::render(Image& out) const {
    if (picture_) {
        out = *picture_;
        return;
    }
    out.width = kWidth;
    out.height = kHeight;
    out.rgb.resize(static_cast<size_t>(kWidth) * kHeight * 3);
    if (id_ < 0) {
        std::fill(out.rgb.begin(), out.rgb.end(), uint8_t{0});
        return;
    }
    const Layout l = layoutOf(id_);
    const size_t rowBytes = kWidth * 3;
    // Four kinds of rows: background only, the top regions, the band, the bottom regions. Each
    // is built once and copied down.
    auto fillRow = [&](uint8_t* row, int y) {
        for (int x = 0; x < kWidth; ++x) put(row + 3 * x, builtinAt(l, frame_, x, y));
    };
    uint8_t* base = out.rgb.data();
    int templateRow[4] = {-1, -1, -1, -1};
    for (int y = 0; y < kHeight; ++y) {
        int kind = 0;
        if (y >= kTopY && y < kTopY + kRegionH) kind = 1;
        if (y >= kBottomY && y < kBottomY + kRegionH) kind = 3;
        if (y >= kBandTop && y < kBandBottom) kind = 2;
        uint8_t* row = base + y * rowBytes;
        // The band's box is shorter than the band: its first and last four rows differ.
        const bool bandEdge = kind == 2 && l.moving && (y < kBandTop + 4 || y >= kBandBottom - 4);
        if (bandEdge || templateRow[kind] < 0) {
            fillRow(row, y);
            if (!bandEdge) templateRow[kind] = y;
        } else {
            std::memcpy(row, base + templateRow[kind] * rowBytes, rowBytes);
        }
    }
}

}  // namespace camera
