// Image filters at their usual picture sizes, one call per iteration.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "zenthue.h"

namespace {

struct BenchPicture {
    std::vector<BYTE> bytes;
    std::vector<BYTE*> rows;
    BenchPicture(int width, int height, int bytesPerPixel, std::uint32_t seed) {
        bytes.resize(static_cast<size_t>(width) * height * bytesPerPixel);
        std::mt19937 gen(seed);
        // A smooth picture with a little noise, like a camera frame.
        for (size_t i = 0; i < bytes.size(); ++i) {
            bytes[i] = static_cast<BYTE>((i / 7) % 200 + gen() % 40);
        }
        for (int y = 0; y < height; ++y) {
            rows.push_back(bytes.data() + static_cast<size_t>(y) * width * bytesPerPixel);
        }
    }
    BYTE** table() { return rows.data(); }
};

void BM_RescaleShrink640To160(benchmark::State& state) {
    BenchPicture src(640, 480, 3, 1);
    BenchPicture dst(160, 120, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Rescalimg(src.table(), dst.table(), 640, 480, 160, 120));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RescaleShrink640To160)->Unit(benchmark::kMicrosecond);

void BM_RescaleEnlarge320To640(benchmark::State& state) {
    BenchPicture src(320, 240, 3, 1);
    BenchPicture dst(640, 480, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(Rescalimg(src.table(), dst.table(), 320, 240, 640, 480));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_RescaleEnlarge320To640)->Unit(benchmark::kMillisecond);

void BM_FineEnlarge512To640(benchmark::State& state) {
    BenchPicture src(512, 384, 3, 1);
    BenchPicture dst(640, 480, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(FineEnlargeImg(src.table(), dst.table(), 512, 384, 640, 480));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_FineEnlarge512To640)->Unit(benchmark::kMillisecond);

void BM_Median3x3(benchmark::State& state) {
    BenchPicture src(640, 480, 3, 1);
    BenchPicture dst(640, 480, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(DoMedianFilter(src.table(), dst.table(), 640, 480));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Median3x3)->Unit(benchmark::kMillisecond);

void BM_Median5x5(benchmark::State& state) {
    BenchPicture src(640, 480, 3, 1);
    BenchPicture dst(640, 480, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(MedianFilter5X5(src.table(), dst.table(), 640, 480));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Median5x5)->Unit(benchmark::kMillisecond);

void BM_Sharpen(benchmark::State& state) {
    BenchPicture src(640, 480, 3, 1);
    BenchPicture dst(640, 480, 3, 2);
    for (auto _ : state) {
        benchmark::DoNotOptimize(SharpenImg(src.table(), dst.table(), 640, 480));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond);

// In-place filters work on a fresh copy each time; the copy is timed apart and not counted.
template <typename Filter>
void inPlace(benchmark::State& state, int width, int height, int bytesPerPixel, Filter filter) {
    const BenchPicture original(width, height, bytesPerPixel, 1);
    BenchPicture work(width, height, bytesPerPixel, 1);
    for (auto _ : state) {
        state.PauseTiming();
        work.bytes = original.bytes;
        state.ResumeTiming();
        benchmark::DoNotOptimize(filter(work.table()));
        benchmark::ClobberMemory();
    }
}

void BM_Stretch(benchmark::State& state) {
    inPlace(state, 640, 480, 3, [](BYTE** rows) { return StretchImg(rows, 640, 480); });
}
BENCHMARK(BM_Stretch)->Unit(benchmark::kMillisecond);

void BM_ColorEnhance(benchmark::State& state) {
    inPlace(state, 640, 480, 3, [](BYTE** rows) { return ColorEnhance(rows, 640, 480); });
}
BENCHMARK(BM_ColorEnhance)->Unit(benchmark::kMillisecond);

void BM_CutBadPixel(benchmark::State& state) {
    inPlace(state, 320, 240, 1, [](BYTE** rows) { return CutBadPixel(rows, 320, 240); });
}
BENCHMARK(BM_CutBadPixel)->Unit(benchmark::kMicrosecond);

}  // namespace
