// Starts, watches and stops the duovue-sim program for tests.
#include "sim_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#ifndef DUOVUE_SIM_PATH
#error "DUOVUE_SIM_PATH must name the duovue-sim program"
#endif

namespace camera {
namespace {

using SteadyClock = std::chrono::steady_clock;

// Forks and execs the program with stdout and stderr on a pipe; returns the pid and the read
// end of the pipe.
pid_t launch(const std::vector<std::string>& arguments, int& readFd) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
    std::vector<std::string> args{SimProcess::programPath()};
    args.insert(args.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        ::dup2(pipeFds[1], STDERR_FILENO);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    readFd = pipeFds[0];
    return pid;
}

// Reads what is available within the deadline; false at end of file or when time is up.
bool readSome(int fd, std::string& out, SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    if (left.count() <= 0) return false;
    pollfd p{fd, POLLIN, 0};
    const int r = ::poll(&p, 1, static_cast<int>(left.count()));
    if (r < 0 && errno == EINTR) return true;
    if (r <= 0) return false;
    char buffer[4096];
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) return true;
    if (n <= 0) return false;
    out.append(buffer, static_cast<size_t>(n));
    return true;
}

int exitStatusOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

}  // namespace

std::string SimProcess::programPath() {
    return DUOVUE_SIM_PATH;
}

SimProcess::SimProcess(std::vector<std::string> arguments, int slot) : slot_(slot) {
    char pattern[] = "/tmp/duovue-sim-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("cannot make a runtime dir");
    runtimeDir_ = pattern;
    if (const char* old = std::getenv("XDG_RUNTIME_DIR")) previousRuntimeDir_ = old;
    ::setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);

    arguments.insert(arguments.begin(), {"--slot", std::to_string(slot)});
    pid_ = launch(arguments, outputFd_);
    std::string output;
    const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
    while (output.find('\n') == std::string::npos && readSome(outputFd_, output, deadline)) {
    }
    const size_t end = output.find('\n');
    if (end == std::string::npos || output.compare(0, 20, "duovue-sim: serving ") != 0) {
        kill();
        const std::string message = "duovue-sim did not get ready: " + output;
        // The destructor does not run for a throwing constructor: clean up here.
        std::filesystem::remove_all(runtimeDir_);
        if (previousRuntimeDir_)
            ::setenv("XDG_RUNTIME_DIR", previousRuntimeDir_->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
        throw std::runtime_error(message);
    }
    readyLine_ = output.substr(0, end);
}

SimProcess::~SimProcess() {
    if (running()) stop();
    if (outputFd_ >= 0) ::close(outputFd_);
    std::error_code ec;
    std::filesystem::remove_all(runtimeDir_, ec);
    if (previousRuntimeDir_)
        ::setenv("XDG_RUNTIME_DIR", previousRuntimeDir_->c_str(), 1);
    else
        ::unsetenv("XDG_RUNTIME_DIR");
}

std::string SimProcess::socketPath() const {
    return runtimeDir_ + "/usbscan/" + std::to_string(slot_);
}

int SimProcess::wait() {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, 0);
    } while (r < 0 && errno == EINTR);
    pid_ = -1;
    return r < 0 ? -1 : exitStatusOf(status);
}

int SimProcess::stop() {
    if (!running()) return -1;
    ::kill(pid_, SIGTERM);
    // A program that ignores SIGTERM for 10 s is killed.
    for (int i = 0; i < 1000; ++i) {
        int status = 0;
        const pid_t r = ::waitpid(pid_, &status, WNOHANG);
        if (r == pid_) {
            pid_ = -1;
            return exitStatusOf(status);
        }
        ::usleep(10000);
    }
    ::kill(pid_, SIGKILL);
    return wait();
}

void SimProcess::kill() {
    if (!running()) return;
    ::kill(pid_, SIGKILL);
    wait();
}

int SimProcess::runToEnd(const std::vector<std::string>& arguments, std::string* output,
                         int timeoutMs) {
    int fd = -1;
    const pid_t pid = launch(arguments, fd);
    std::string text;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    while (readSome(fd, text, deadline)) {
    }
    ::close(fd);
    int status = 0;
    bool timedOut = SteadyClock::now() >= deadline;
    if (timedOut) ::kill(pid, SIGKILL);
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    if (output) *output = text;
    return timedOut ? -1 : exitStatusOf(status);
}

}  // namespace camera
