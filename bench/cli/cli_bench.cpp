// The command line's two speed targets: get of the full store (107 stills) to PNG beyond the
// camera's opening, and stream at 320 x 240 with --fps 1000 from duovue-sim (frames per second
// and CPU per frame of this process). Opening the camera sleeps 2.5 s on the platform clock; a
// virtual clock takes that sleep out of the figures.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "console.h"
#include "duovue_camera.h"
#include "platform.h"
#include "run.h"
#include "sim_process.h"

namespace {

int runCommand(std::vector<std::string> args) {
    args.insert(args.begin(), "duovue");
    std::vector<const char*> argv;
    for (const auto& a : args) argv.push_back(a.c_str());
    duovue::Console console;
    console.out = ::open("/dev/null", O_WRONLY);
    const int status = duovue::run(static_cast<int>(argv.size()), argv.data(), console);
    ::close(console.out);
    return status;
}

double cpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void BM_GetFullStoreToPng(benchmark::State& state) {
    camera::CameraOptions options;
    options.store = camera::StoreKind::Full;
    platform::attachUsbDevice(0, std::make_shared<camera::SimCamera>(options));
    platform::VirtualClock clock;
    platform::installClock(&clock);
    char pattern[] = "/tmp/duovue-bench-XXXXXX";
    const std::string dir = ::mkdtemp(pattern);
    for (auto _ : state) {
        if (runCommand({"get", "--dir", dir, "--force", "--quiet"}) != 0) {
            state.SkipWithError("get failed");
            break;
        }
    }
    state.counters["pictures"] = 107;
    platform::installClock(nullptr);
    platform::detachUsbDevice(0);
    std::filesystem::remove_all(dir);
}
BENCHMARK(BM_GetFullStoreToPng)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_StreamFromTheSimulator(benchmark::State& state) {
    const int frames = static_cast<int>(state.range(0));
    camera::SimProcess sim;
    platform::VirtualClock clock;
    platform::installClock(&clock);
    double cpu = 0;
    double wall = 0;
    for (auto _ : state) {
        const double cpuBefore = cpuSeconds();
        const auto start = std::chrono::steady_clock::now();
        if (runCommand({"stream", "--fps", "1000", "--frames", std::to_string(frames)}) != 0) {
            state.SkipWithError("stream failed");
            break;
        }
        wall += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        cpu += cpuSeconds() - cpuBefore;
    }
    const double total = static_cast<double>(frames) * state.iterations();
    state.counters["frames_per_s"] = total / wall;
    state.counters["cpu_ms_per_frame"] = 1000 * cpu / total;
    platform::installClock(nullptr);
}
BENCHMARK(BM_StreamFromTheSimulator)->Arg(300)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
