// The main window's download of the default store (the camera in-process, the 2.5 s camera
// start-up sleep on a virtual clock) and the display of one page of 15 thumbnails.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <filesystem>

#include "duovue_camera.h"
#include "main_window.h"

namespace {

using namespace zentdesk;

QApplication& application() {
    static int argc = 1;
    static char name[] = "zentdesk_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

struct Rig {
    explicit Rig(MessageAnswer answer, const camera::CameraOptions& options = {}) {
        application();
        platform::installClock(&clock);
        folder = std::filesystem::temp_directory_path() / "zentdesk-bench";
        std::filesystem::create_directories(folder);
        Seams& seams = desk.seams;
        seams.messageBox = [answer](QWidget*, const QString&, MessageButtons buttons) {
            return buttons == MessageButtons::Ok ? MessageAnswer::Ok : answer;
        };
        seams.moduleFolder = [this] { return folder.string() + "/"; };
        cam = std::make_shared<camera::SimCamera>(options);
        platform::attachUsbDevice(0, cam);
        window = std::make_unique<MainWindow>(desk);
        window->show();
    }
    ~Rig() {
        window.reset();
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
        std::filesystem::remove_all(folder);
    }
    platform::VirtualClock clock;
    Desk desk;
    std::filesystem::path folder;
    std::shared_ptr<camera::SimCamera> cam;
    std::unique_ptr<MainWindow> window;
};

void BM_DownloadDefaultStore(benchmark::State& state) {
    Rig rig(MessageAnswer::No);
    for (auto _ : state) {
        rig.window->download();
        if (rig.desk.session.state().downloaded != 1) state.SkipWithError("download failed");
    }
    state.counters["frames"] = rig.desk.session.state().dscCount;
}
BENCHMARK(BM_DownloadDefaultStore)->Unit(benchmark::kMillisecond);

void BM_DownloadDefaultStoreSavingClips(benchmark::State& state) {
    Rig rig(MessageAnswer::Yes);
    for (auto _ : state) {
        rig.window->download();
        if (rig.desk.session.state().downloaded != 1) state.SkipWithError("download failed");
    }
    state.counters["clips"] = rig.desk.session.state().clipCount;
}
BENCHMARK(BM_DownloadDefaultStoreSavingClips)->Unit(benchmark::kMillisecond);

void BM_PageDisplay(benchmark::State& state) {
    camera::CameraOptions options;
    options.store = camera::StoreKind::Full;
    Rig rig(MessageAnswer::No, options);
    rig.window->download();
    for (auto _ : state) rig.window->showPage();
    state.counters["frames"] = rig.desk.session.state().dscCount;
}
BENCHMARK(BM_PageDisplay)->Unit(benchmark::kMillisecond);

void BM_RepaintThumbnailArea(benchmark::State& state) {
    camera::CameraOptions options;
    options.store = camera::StoreKind::Full;
    Rig rig(MessageAnswer::No, options);
    rig.window->download();
    for (auto _ : state) rig.window->repaintWholeWindow();
}
BENCHMARK(BM_RepaintThumbnailArea)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {

// The driver's share of a page: converting 15 stored pictures into the slots.
void BM_PageConversionsOnly(benchmark::State& state) {
    camera::CameraOptions options;
    options.store = camera::StoreKind::Full;
    Rig rig(MessageAnswer::No, options);
    rig.window->download();
    const SessionState& s = rig.desk.session.state();
    for (auto _ : state) {
        for (int a = 0; a < kSlotCount; ++a) {
            const ColorSettings& c = s.imageColor[a];
            SetColorInfo(c.redGain, c.greenGain, c.blueGain, c.lumaGain, c.awbMode, c.gamma1,
                         c.gamma2, c.lumaGammaOn, c.gamma2On, c.reserved10, c.enhanceOn,
                         c.reserved12);
            GetColorImage(s.slotImages[a].rows(), s.slotImages[a].header(), s.ImageTableIndex[a]);
        }
    }
}
BENCHMARK(BM_PageConversionsOnly)->Unit(benchmark::kMillisecond);

}  // namespace
