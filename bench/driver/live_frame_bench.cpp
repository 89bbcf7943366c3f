// Live frame and noise-capture speed against the in-process simulated camera.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <memory>
#include <vector>

#include "driver_internal.h"
#include "duovue_camera.h"
#include "platform.h"
#include "zentdrv.h"

namespace {

// Driver opened on the in-process camera at `mode`, with a 24-bit output image; InitEvCam's
// sleep runs on a virtual clock.
struct LiveSession {
    explicit LiveSession(int mode, int fpnOn) {
        platform::installClock(&clock);
        platform::attachUsbDevice(0, camera);
        StartToCapture();
        SetImageInfo(320, 240, 3, fpnOn);
        SetHWInterface(4, 0, 0, 0, 0, mode);
        ok = InitEvCam() == 0;
        SetImgMemory(pixels.data(), &header);
        SetColorInfo(32, 32, 32, 32, 1, 1.0f, 1.0f, 0, 0, 0, 0, 0);
    }
    ~LiveSession() {
        EndCapture();
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
    }
    platform::VirtualClock clock;
    std::shared_ptr<camera::SimCamera> camera = std::make_shared<camera::SimCamera>();
    std::vector<BYTE> pixels = std::vector<BYTE>(320 * 240 * 3);
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    bool ok = false;
};

// One 320 x 240 colour frame: status poll, bulk transfer, drain, unpack, noise subtraction,
// demosaic with automatic white balance.
void BM_ReadColorFrame320(benchmark::State& state) {
    LiveSession session(1, 1);
    if (!session.ok || ReadColorFrame() != 1) state.SkipWithError("camera did not open");
    int64_t good = 0;
    for (auto _ : state) good += ReadColorFrame();
    state.counters["good"] = static_cast<double>(good) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReadColorFrame320)->Unit(benchmark::kMicrosecond);

// The transfer alone (what the camera and the transport cost, without the colour engine).
void BM_TransferFrame320(benchmark::State& state) {
    LiveSession session(1, 0);
    if (!session.ok) state.SkipWithError("camera did not open");
    const zentdrv::RowView rows = zentdrv::WorkView();
    for (auto _ : state) benchmark::DoNotOptimize(zentdrv::TransferFrame(rows, 320, 240));
}
BENCHMARK(BM_TransferFrame320)->Unit(benchmark::kMicrosecond);

// A full noise capture: eight frame transfers and the averaging, InitEvCam not included.
void BM_ReInitFPN320(benchmark::State& state) {
    LiveSession session(1, 0);
    if (!session.ok) state.SkipWithError("camera did not open");
    SetHWInterface(-1, 0, 0, -1, 0, 6);
    int64_t good = 0;
    for (auto _ : state) good += ReInitFPN();
    state.counters["good"] = static_cast<double>(good) / static_cast<double>(state.iterations());
    state.counters["frames"] = static_cast<double>(session.camera->counters().framesStarted) /
                               static_cast<double>(state.iterations());
}
BENCHMARK(BM_ReInitFPN320)->Unit(benchmark::kMillisecond);

}  // namespace
