// ReadColorData at 320 x 240 with the simulated camera attached in-process, on a virtual clock
// (no real sleeps, and no idle reinitialisation between frames).
#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

#include "duovue_camera.h"
#include "platform.h"
#include "zentlink.h"

namespace {

class AttachedCamera {
  public:
    AttachedCamera(int colorDepth) {
        platform::installClock(&clock_);
        platform::attachUsbDevice(0, camera_);
        ready_ = AttachDevice(1, 0, 4, 0, 0) == 1;
        SetImgBuf(320, 240, colorDepth, 1, 0);
        SetRGBYGamma(32, 32, 32, 32, 80);
        SetFlag(1, 1, 1, 0, 0);
    }
    ~AttachedCamera() {
        DetachDevice(0, 0, 0, 0, 0);
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
    }
    bool ready() const { return ready_; }

  private:
    platform::VirtualClock clock_{1'000'000};
    std::shared_ptr<camera::SimCamera> camera_ = std::make_shared<camera::SimCamera>();
    bool ready_ = false;
};

void readColor(benchmark::State& state, int colorDepth, size_t bytesPerPixel) {
    AttachedCamera attached(colorDepth);
    if (!attached.ready()) {
        state.SkipWithError("camera not ready");
        return;
    }
    std::vector<BYTE> frame(320 * 240 * bytesPerPixel);
    for (auto _ : state) {
        if (ReadColorData(frame.data(), 0, 0, 0, 0) != 1) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
}

void BM_ReadColorData24(benchmark::State& state) {
    readColor(state, 0, 3);
}
void BM_ReadColorData16(benchmark::State& state) {
    readColor(state, 1, 2);
}
void BM_ReadRawData24(benchmark::State& state) {
    AttachedCamera attached(0);
    std::vector<BYTE> frame(320 * 240 * 3);
    for (auto _ : state) {
        if (ReadRawData(frame.data(), 0, 0, 0, 0) != 1) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(frame.data());
    }
}

}  // namespace

BENCHMARK(BM_ReadColorData24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadColorData16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadRawData24)->Unit(benchmark::kMillisecond);
