// Store download and stored-picture conversion speed against the in-process simulated camera.
#include <benchmark/benchmark.h>

#include <array>
#include <memory>
#include <vector>

#include "driver_internal.h"
#include "duovue_camera.h"
#include "platform.h"
#include "zentdrv.h"

namespace {

// The application's download road up to the image table; InitEvCam's sleep runs on a virtual
// clock. The color settings are the application's defaults (white balance, gamma 0.8, color
// enhancement on).
struct StoreSession {
    explicit StoreSession(camera::StoreKind kind) {
        camera::CameraOptions options;
        options.store = kind;
        cam = std::make_shared<camera::SimCamera>(options);
        platform::installClock(&clock);
        platform::attachUsbDevice(0, cam);
        StartToCapture();
        SetDeviceInfo(0, 0);
        SetImageInfo(320, 240, 3, 0);
        mode(1);
        ok = InitEvCam() == 0;
        mode(6);
        ok = ok && ReInitFPN() == 1;
        mode(3);
        count = DloadSDRAM_Header(table.data());
        ok = ok && count > 0 && DloadSDRAM() == 1;
        SetColorInfo(36, 36, 36, 36, 2, 1.0f, 0.8f, 0, 1, 0, 1, 0);
        for (int r = 0; r < 240; ++r) rows[r] = pixels.data() + 960 * r;
    }
    ~StoreSession() {
        EndCapture();
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
    }
    static void mode(int code) { SetHWInterface(4, 0, 1, 0, 1, code); }

    platform::VirtualClock clock;
    std::shared_ptr<camera::SimCamera> cam;
    std::array<BYTE, 256> table{};
    std::vector<BYTE> pixels = std::vector<BYTE>(320 * 240 * 3);
    std::array<BYTE*, 240> rows{};
    BITMAPINFOHEADER header{40, 320, 240, 1, 24, 0, 0, 0, 0, 0, 0};
    int count = 0;
    bool ok = false;
};

// The image table and the whole 8,386,560-byte store in one transfer.
void BM_StoreRead(benchmark::State& state) {
    StoreSession s(camera::StoreKind::Default);
    if (!s.ok) state.SkipWithError("download failed");
    for (auto _ : state) {
        benchmark::DoNotOptimize(DloadSDRAM_Header(s.table.data()));
        if (DloadSDRAM() != 1) state.SkipWithError("store read failed");
    }
    state.SetBytesProcessed(state.iterations() * int64_t{8386560});
}
BENCHMARK(BM_StoreRead)->Unit(benchmark::kMillisecond);

// One 320 x 240 stored item to color: unpacking, complement, demosaic with white balance,
// color enhancement and the driver's clean-up filter.
void BM_GetColorImage320(benchmark::State& state) {
    StoreSession s(camera::StoreKind::Default);
    int entry = -1;
    for (int i = 0; i < s.count && entry < 0; ++i)
        if ((s.table[i] & 0x30) == 0) entry = i;
    if (!s.ok || entry < 0) state.SkipWithError("no 320 x 240 item");
    for (auto _ : state) benchmark::DoNotOptimize(GetColorImage(s.rows.data(), &s.header, entry));
}
BENCHMARK(BM_GetColorImage320)->Unit(benchmark::kMicrosecond);

// Every item of a full store (107) to color.
void BM_FullStoreToColor(benchmark::State& state) {
    StoreSession s(camera::StoreKind::Full);
    if (!s.ok || s.count != 107) state.SkipWithError("full store not downloaded");
    for (auto _ : state) {
        for (int i = 0; i < 256 && (s.table[i] & 0x70) != 0x70; ++i)
            benchmark::DoNotOptimize(GetColorImage(s.rows.data(), &s.header, i));
    }
}
BENCHMARK(BM_FullStoreToColor)->Unit(benchmark::kMillisecond);

// The clean-up filter alone on a 320 x 240 picture.
void BM_LumaChromaFilter320(benchmark::State& state) {
    std::vector<BYTE> picture(320 * 240 * 3);
    for (size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<BYTE>((i * 131) >> 4);
    for (auto _ : state) {
        zentdrv::LumaChromaFilter(picture.data(), picture.data(), 320, 240, 960, 3);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_LumaChromaFilter320)->Unit(benchmark::kMicrosecond);

}  // namespace
