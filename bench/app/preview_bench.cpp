// Live preview of the video-mode window with the simulated camera attached in-process: the cost
// of one timer tick (colour settings, frame read and conversion, drawing), and the frame rate the
// real 10 ms timer sustains over ten seconds (run it under xvfb-run to include a real display).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QRadioButton>
#include <memory>

#include "duovue_camera.h"
#include "main_window.h"
#include "video_mode_window.h"

namespace {

QApplication& application() {
    static int argc = 1;
    static char name[] = "preview_bench";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        if (qEnvironmentVariableIsEmpty("DISPLAY") &&
            qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

// The main window (buffers, driver memory), a camera and a previewing video-mode window.
struct Preview {
    explicit Preview(bool small) {
        application();
        platform::installClock(&clock);
        camera = std::make_shared<camera::SimCamera>();
        platform::attachUsbDevice(0, camera);
        desk.seams.messageBox = [this](QWidget*, const QString&, zentdesk::MessageButtons) {
            ++failures;
            return zentdesk::MessageAnswer::Ok;
        };
        main = std::make_unique<zentdesk::MainWindow>(desk);
        video = std::make_unique<zentdesk::VideoModeWindow>(desk);
        video->show();
        if (small)
            qobject_cast<QRadioButton*>(video->control(zentdesk::videoid::kSize160))->click();
        video->preview();
        platform::installClock(nullptr);
    }
    ~Preview() {
        video.reset();
        main.reset();
        platform::detachUsbDevice(0);
    }
    platform::VirtualClock clock;
    zentdesk::Desk desk;
    std::shared_ptr<camera::SimCamera> camera;
    std::unique_ptr<zentdesk::MainWindow> main;
    std::unique_ptr<zentdesk::VideoModeWindow> video;
    int failures = 0;
};

void BM_PreviewTick(benchmark::State& state) {
    Preview preview(state.range(0) == 0);
    if (!preview.video->previewing()) {
        state.SkipWithError("the preview did not start");
        return;
    }
    for (auto _ : state) preview.video->timerTick();
    state.counters["frames/s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    if (preview.failures != 0) state.SkipWithError("a frame read failed");
}
BENCHMARK(BM_PreviewTick)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

// The window's own timer driving the preview for ten seconds of real time.
void BM_PreviewTenSeconds(benchmark::State& state) {
    Preview preview(false);
    if (!preview.video->previewing()) {
        state.SkipWithError("the preview did not start");
        return;
    }
    double framesPerSecond = 0;
    for (auto _ : state) {
        const uint64_t before = preview.camera->counters().bulkBytes;
        QElapsedTimer elapsed;
        elapsed.start();
        while (elapsed.elapsed() < 10000) QApplication::processEvents(QEventLoop::AllEvents, 50);
        const double seconds = elapsed.elapsed() / 1000.0;
        const uint64_t frames = (preview.camera->counters().bulkBytes - before) / (320 * 240);
        framesPerSecond = frames / seconds;
    }
    state.counters["frames/s"] = framesPerSecond;
    if (preview.failures != 0) state.SkipWithError("a frame read failed");
}
BENCHMARK(BM_PreviewTenSeconds)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

}  // namespace
