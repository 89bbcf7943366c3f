#include "interrupt.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "exit_status.h"

namespace duovue {

namespace {

// The program's one state record: the interrupt and the temporary file it has to remove.
struct InterruptState {
    std::atomic<bool> requested{false};
    std::mutex mutex;  // guards tempPath and wakes sleepers
    std::condition_variable wake;
    std::string tempPath;
    std::function<void()> hook;
};

InterruptState& state() {
    static InterruptState s;
    return s;
}

void removeTempFileLocked(InterruptState& s) {
    if (!s.tempPath.empty()) ::unlink(s.tempPath.c_str());
    s.tempPath.clear();
}

// Takes SIGINT and SIGTERM for the whole process.
void watch(sigset_t signals) {
    int signal = 0;
    while (sigwait(&signals, &signal) != 0) {
    }
    requestInterrupt();
    std::this_thread::sleep_for(kInterruptGrace);
    // The command did not finish in time.
    InterruptState& s = state();
    std::lock_guard lock(s.mutex);
    removeTempFileLocked(s);
    ::_exit(static_cast<int>(Exit::Interrupted));
}

}  // namespace

void installInterruptHandling() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    std::thread(watch, signals).detach();
}

void requestInterrupt() {
    InterruptState& s = state();
    {
        std::lock_guard lock(s.mutex);
        s.requested = true;
        if (s.hook) s.hook();
    }
    s.wake.notify_all();
}

void resetInterrupt() {
    state().requested = false;
}

void setInterruptHook(std::function<void()> hook) {
    InterruptState& s = state();
    std::lock_guard lock(s.mutex);
    s.hook = std::move(hook);
}

bool interruptRequested() {
    return state().requested.load();
}

void throwIfInterrupted() {
    if (interruptRequested()) throw Failure(Exit::Interrupted, "interrupted");
}

void sleepUnlessInterrupted(std::chrono::nanoseconds duration) {
    InterruptState& s = state();
    std::unique_lock lock(s.mutex);
    s.wake.wait_for(lock, duration, [&] { return s.requested.load(); });
}

void setTempFile(const std::string& path) {
    InterruptState& s = state();
    std::lock_guard lock(s.mutex);
    s.tempPath = path;
}

}  // namespace duovue
