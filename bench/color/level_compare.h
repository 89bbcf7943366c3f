// What every colour benchmark reports besides its time: the instruction-set level it ran at
// (ZENT_ISA, or "best" when unset) and, when built with OpenCV, the time of OpenCV's
// counterpart on the same picture and our time as a multiple of it (below 1: we are faster).
#pragma once

#include <benchmark/benchmark.h>
#include <time.h>

#include <cstdlib>
#include <string>

namespace colorbench {

inline double threadSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

inline void labelLevel(benchmark::State& state) {
    const char* isa = std::getenv("ZENT_ISA");
    state.SetLabel(std::string("isa=") + (isa != nullptr ? isa : "best"));
}

// Runs the benchmark loop over ours and returns our processor seconds per call.
template <class Ours>
double timeOurs(benchmark::State& state, Ours ours) {
    labelLevel(state);
    const double start = threadSeconds();
    for (auto _ : state) {
        ours();
        benchmark::ClobberMemory();
    }
    return (threadSeconds() - start) / static_cast<double>(state.iterations());
}

// Times theirs for about a fifth of a second of processor time and reports it against ours.
template <class Theirs>
void compareWith(benchmark::State& state, double oursPerCall, Theirs theirs) {
    long calls = 0;
    const double start = threadSeconds();
    double elapsed = 0;
    do {
        theirs();
        benchmark::ClobberMemory();
        ++calls;
        elapsed = threadSeconds() - start;
    } while (elapsed < 0.2 && calls < 100000);
    const double theirsPerCall = elapsed / static_cast<double>(calls);
    state.counters["OpenCV_ms"] = theirsPerCall * 1e3;
    state.counters["x_OpenCV"] = oursPerCall / theirsPerCall;
}

}  // namespace colorbench
