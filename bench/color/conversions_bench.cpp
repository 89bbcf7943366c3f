// Further conversions at the camera's preview size and at VGA: the 12-bit paths, the DSP color
// frame and the luminance frame.
#include <benchmark/benchmark.h>

#include <cstddef>
#include <vector>

#include "level_compare.h"
#include "zenthue.h"

namespace {

BITMAPINFOHEADER bitmapHeader(int width, int height, int bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof(BITMAPINFOHEADER);
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    return h;
}

// A frame with detail everywhere, so that no branch of the interpolation is favoured.
BYTE sample8(int r, int c) {
    return static_cast<BYTE>(40 + (r * 53 + c * 29 + r * c * 7) % 170);
}

void raw12Path(benchmark::State& state, int path) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    std::vector<WORD> raw(static_cast<std::size_t>(w) * h);
    for (int r = 0; r < h; ++r)
        for (int c = 0; c < w; ++c)
            raw[std::size_t(r) * w + c] = static_cast<WORD>(sample8(r, c) * 16);
    std::vector<BYTE> out(static_cast<std::size_t>(w) * h * 3);
    const BITMAPINFOHEADER src = bitmapHeader(w, h, 16), dst = bitmapHeader(w, h, 24);
    SetImageFormat(2, 1, 1);
    SetColorGain(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 12, path);
    colorbench::labelLevel(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetRawColor12Frame(raw.data(), &src, out.data(), &dst, w, h));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_Raw12Bayer(benchmark::State& state) {
    raw12Path(state, 0);
}
void BM_Raw12Diagonal(benchmark::State& state) {
    raw12Path(state, 1);
}

// An 8-bit frame bound through SetImgBuffer with the given output format.
struct Frame8 {
    std::vector<BYTE> raw, out;
    Frame8(int w, int h, int formatType, int bytesPerPixel)
        : raw(static_cast<std::size_t>(w) * h),
          out(static_cast<std::size_t>(w) * h * bytesPerPixel) {
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c) raw[std::size_t(r) * w + c] = sample8(r, c);
        SetImageFormat(formatType, 1, 1);
        const BITMAPINFOHEADER src = bitmapHeader(w, h, 8),
                               dst = bitmapHeader(w, h, bytesPerPixel * 8);
        SetImgBuffer(raw.data(), &src, out.data(), &dst);
    }
};

void BM_DspColorFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Frame8 frame(w, h, 2, 3);
    SetColorGain(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 8, 0);
    colorbench::labelLevel(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetDspColorFrame(w, h));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void BM_YFrame(benchmark::State& state) {
    const int w = static_cast<int>(state.range(0)), h = static_cast<int>(state.range(1));
    Frame8 frame(w, h, 2, 3);
    SetColorGain(32, 32, 32, 32, 0, 1.0f, 1.0f, 0, 0, 8, 0);
    colorbench::labelLevel(state);
    for (auto _ : state) {
        benchmark::DoNotOptimize(GetYFrame(w, h));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * w * h);
}

void sizes(benchmark::internal::Benchmark* b) {
    b->Args({320, 240})->Args({640, 480})->Unit(benchmark::kMicrosecond);
}

}  // namespace

BENCHMARK(BM_Raw12Bayer)->Apply(sizes);
BENCHMARK(BM_Raw12Diagonal)->Apply(sizes);
BENCHMARK(BM_DspColorFrame)->Apply(sizes);
BENCHMARK(BM_YFrame)->Apply(sizes);
