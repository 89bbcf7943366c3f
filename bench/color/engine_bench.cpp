// Raw-to-color conversion speed in megapixels per second, on live-like frames.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "zenthue.h"

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

void BM_FineRawColorFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Bound b = bind(w, h, 2, static_cast<int>(state.range(2)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetFineRawColorFrame(w, h));
        benchmark::ClobberMemory();
    }
    report(state, w, h);
}

void BM_RawColorFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Bound b = bind(w, h, static_cast<int>(state.range(2)), 0);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetRawColorFrame(w, h));
        benchmark::ClobberMemory();
    }
    report(state, w, h);
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
