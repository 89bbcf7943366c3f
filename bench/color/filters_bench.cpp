// Image filters at their usual picture sizes, one call per iteration.
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

// What OpenCV does nearest to each filter, on one thread; none where it has no counterpart.
enum class Counterpart {
    none,
    resizeNearest,
    resizeLinear,
    resizeCubic,
    median3,
    median5,
    sharpen
};

// One call of a filter from src to dst per iteration, and OpenCV's counterpart on the same
// pictures.
template <typename Filter>
void twoPictures(benchmark::State& state, int srcWidth, int srcHeight, int dstWidth, int dstHeight,
                 [[maybe_unused]] Counterpart counterpart, Filter filter) {
    BenchPicture src(srcWidth, srcHeight, 3, 1);
    BenchPicture dst(dstWidth, dstHeight, 3, 2);
    [[maybe_unused]] const double ours = colorbench::timeOurs(
        state, [&] { benchmark::DoNotOptimize(filter(src.table(), dst.table())); });
#ifdef ZENT_BENCH_OPENCV
    cv::setNumThreads(1);
    const cv::Mat in(srcHeight, srcWidth, CV_8UC3, src.bytes.data());
    cv::Mat out(dstHeight, dstWidth, CV_8UC3, dst.bytes.data());
    const cv::Mat sharpen = (cv::Mat_<float>(3, 3) << 0, -1, 0, -1, 5, -1, 0, -1, 0);
    const cv::Size size(dstWidth, dstHeight);
    const auto theirs = [&] {
        switch (counterpart) {
            case Counterpart::resizeNearest:
                return cv::resize(in, out, size, 0, 0, cv::INTER_NEAREST);
            case Counterpart::resizeLinear:
                return cv::resize(in, out, size, 0, 0, cv::INTER_LINEAR);
            case Counterpart::resizeCubic:
                return cv::resize(in, out, size, 0, 0, cv::INTER_CUBIC);
            case Counterpart::median3:
                return cv::medianBlur(in, out, 3);
            case Counterpart::median5:
                return cv::medianBlur(in, out, 5);
            case Counterpart::sharpen:
                return cv::filter2D(in, out, -1, sharpen);
            case Counterpart::none:
                return;
        }
    };
    if (counterpart != Counterpart::none) colorbench::compareWith(state, ours, theirs);
#endif
}

void BM_RescaleShrink640To160(benchmark::State& state) {
    twoPictures(state, 640, 480, 160, 120, Counterpart::resizeNearest,
                [](BYTE** s, BYTE** d) { return Rescalimg(s, d, 640, 480, 160, 120); });
}
BENCHMARK(BM_RescaleShrink640To160)->Unit(benchmark::kMicrosecond);

void BM_RescaleEnlarge320To640(benchmark::State& state) {
    twoPictures(state, 320, 240, 640, 480, Counterpart::resizeLinear,
                [](BYTE** s, BYTE** d) { return Rescalimg(s, d, 320, 240, 640, 480); });
}
BENCHMARK(BM_RescaleEnlarge320To640)->Unit(benchmark::kMillisecond);

void BM_FineEnlarge512To640(benchmark::State& state) {
    twoPictures(state, 512, 384, 640, 480, Counterpart::resizeCubic,
                [](BYTE** s, BYTE** d) { return FineEnlargeImg(s, d, 512, 384, 640, 480); });
}
BENCHMARK(BM_FineEnlarge512To640)->Unit(benchmark::kMillisecond);

void BM_Median3x3(benchmark::State& state) {
    twoPictures(state, 640, 480, 640, 480, Counterpart::median3,
                [](BYTE** s, BYTE** d) { return DoMedianFilter(s, d, 640, 480); });
}
BENCHMARK(BM_Median3x3)->Unit(benchmark::kMillisecond);

void BM_Median5x5(benchmark::State& state) {
    twoPictures(state, 640, 480, 640, 480, Counterpart::median5,
                [](BYTE** s, BYTE** d) { return MedianFilter5X5(s, d, 640, 480); });
}
BENCHMARK(BM_Median5x5)->Unit(benchmark::kMillisecond);

void BM_Sharpen(benchmark::State& state) {
    twoPictures(state, 640, 480, 640, 480, Counterpart::sharpen,
                [](BYTE** s, BYTE** d) { return SharpenImg(s, d, 640, 480); });
}
BENCHMARK(BM_Sharpen)->Unit(benchmark::kMillisecond);

// In-place filters work on a fresh copy each time; the copy is timed apart and not counted.
template <typename Filter>
void inPlace(benchmark::State& state, int width, int height, int bytesPerPixel, Filter filter) {
    const BenchPicture original(width, height, bytesPerPixel, 1);
    BenchPicture work(width, height, bytesPerPixel, 1);
    colorbench::labelLevel(state);
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
