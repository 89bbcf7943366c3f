// Raw-to-color conversion speed in megapixels per second, on live-like frames.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "level_compare.h"
#include "zenthue.h"

#ifdef ZENT_BENCH_OPENCV
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>
#endif

namespace {

struct Bound {
    std::vector<BYTE> raw;
    std::vector<BYTE> out;
};

// A scene-like mosaic: gradients, a few hard edges and sensor noise.
Bound bind(int width, int height, int formatType, int wbMode) {
    Bound b{std::vector<BYTE>(static_cast<size_t>(width) * height),
            std::vector<BYTE>(static_cast<size_t>(width) * height * 3)};
    std::mt19937 rng(1);
    for (int i = 0; i < height; ++i) {
        for (int x = 0; x < width; ++x) {
            int v = (x * 160) / width + (i * 60) / height + ((x / 40 + i / 30) % 3) * 20;
            v += static_cast<int>(rng() % 9) - 4;
            b.raw[static_cast<size_t>(i) * width + x] = static_cast<BYTE>(v < 0 ? 0 : v);
        }
    }
    SetImageFormat(formatType, 1, 1);
    BITMAPINFOHEADER src{}, dst{};
    src.biSize = dst.biSize = sizeof(BITMAPINFOHEADER);
    src.biWidth = dst.biWidth = width;
    src.biHeight = dst.biHeight = height;
    src.biPlanes = dst.biPlanes = 1;
    src.biBitCount = 8;
    dst.biBitCount = static_cast<WORD>(formatType == 1 ? 16 : 24);
    SetImgBuffer(b.raw.data(), &src, b.out.data(), &dst);
    SetColorGain(36, 32, 40, 32, wbMode, 1.0f, 0.8f, 0, 1, 8, 0);
    return b;
}

void report(benchmark::State& state, int width, int height) {
    state.counters["Mpixel/s"] =
        benchmark::Counter(width * height / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

// OpenCV's demosaicing of the same mosaic on one thread: its edge-aware conversion against our
// fine one, its bilinear one against our plain one.
void compareDemosaic([[maybe_unused]] benchmark::State& state, [[maybe_unused]] double ours,
                     [[maybe_unused]] Bound& b, [[maybe_unused]] int w, [[maybe_unused]] int h,
                     [[maybe_unused]] bool edgeAware) {
#ifdef ZENT_BENCH_OPENCV
    cv::setNumThreads(1);
    const cv::Mat mosaic(h, w, CV_8UC1, b.raw.data());
    cv::Mat bgr;
    const int code = edgeAware ? cv::COLOR_BayerBG2BGR_EA : cv::COLOR_BayerBG2BGR;
    colorbench::compareWith(state, ours, [&] { cv::cvtColor(mosaic, bgr, code); });
#endif
}

void BM_FineRawColorFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Bound b = bind(w, h, 2, static_cast<int>(state.range(2)));
    const double ours =
        colorbench::timeOurs(state, [&] { benchmark::DoNotOptimize(GetFineRawColorFrame(w, h)); });
    report(state, w, h);
    compareDemosaic(state, ours, b, w, h, true);
}

void BM_RawColorFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Bound b = bind(w, h, static_cast<int>(state.range(2)), 0);
    const double ours =
        colorbench::timeOurs(state, [&] { benchmark::DoNotOptimize(GetRawColorFrame(w, h)); });
    report(state, w, h);
    compareDemosaic(state, ours, b, w, h, false);
}

}  // namespace

// Arguments: width, height, white-balance mode (fine) or output format (plain).
BENCHMARK(BM_FineRawColorFrame)
    ->ArgNames({"w", "h", "wb"})
    ->Args({320, 240, 0})
    ->Args({640, 480, 0})
    ->Args({640, 480, 2});
BENCHMARK(BM_RawColorFrame)
    ->ArgNames({"w", "h", "format"})
    ->Args({320, 240, 2})
    ->Args({640, 480, 2})
    ->Args({640, 480, 1});
