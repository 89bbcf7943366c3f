// Runs the real duovue program: stdout and stderr on pipes, or all three standard streams on a
// pseudo-terminal (for what the program does only on a terminal).
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#ifndef DUOVUE_PATH
#error "DUOVUE_PATH must name the duovue program"
#endif

namespace duovue::testing {

class Program {
  public:
    enum class Streams { Pipes, Terminal };

    explicit Program(std::vector<std::string> args, Streams streams = Streams::Pipes) {
        args.insert(args.begin(), DUOVUE_PATH);
        std::vector<char*> argv;
        for (auto& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (streams == Streams::Terminal) {
            pid_ = ::forkpty(&terminal_, nullptr, nullptr, nullptr);
            if (pid_ == 0) {
                ::execv(argv[0], argv.data());
                ::_exit(127);
            }
            return;
        }
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0) return;
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            const int null = ::open("/dev/null", O_RDONLY);
            ::dup2(null, 0);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            finish(10000);
        }
        for (int fd : {out_, err_, terminal_}) {
            if (fd >= 0) ::close(fd);
        }
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    pid_t pid() const { return pid_; }
    void signal(int number) { ::kill(pid_, number); }
    // Types into the terminal.
    void type(const std::string& text) {
        if (::write(terminal_, text.data(), text.size()) < 0) return;
    }
    // Closes the reading end of stdout: the reader goes away.
    void closeOutput() {
        ::close(out_);
        out_ = -1;
    }

    // Reads stdout (or the terminal) until `needle` has come, or at most `bytes` bytes, or the
    // time is up. Everything read is kept in out() or screen().
    bool waitFor(const std::string& needle, int timeoutMs = 20000, size_t bytes = SIZE_MAX) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        std::string& seen = terminal_ >= 0 ? screen_ : outText_;
        const int fd = terminal_ >= 0 ? terminal_ : out_;
        while ((needle.empty() || seen.find(needle) == std::string::npos) && seen.size() < bytes) {
            if (!readSome(fd, seen, deadline)) return false;
        }
        return true;
    }

    // Waits for the end (at most `timeoutMs`), reading everything; the exit status, 128 + the
    // signal's number for a program killed by one, -1 when time ran out.
    int finish(int timeoutMs = 60000) {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        if (terminal_ >= 0) {
            while (readSome(terminal_, screen_, deadline)) {
            }
        } else {
            while (out_ >= 0 && readSome(out_, outText_, deadline)) {
            }
            while (readSome(err_, errText_, deadline)) {
            }
        }
        while (pid_ > 0) {
            int status = 0;
            const pid_t r = ::waitpid(pid_, &status, WNOHANG);
            if (r == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                break;
            }
            if (Clock::now() > deadline) return -1;
            ::usleep(2000);
        }
        return status_;
    }

    const std::string& out() const { return outText_; }
    const std::string& err() const { return errText_; }
    const std::string& screen() const { return screen_; }

  private:
    using Clock = std::chrono::steady_clock;

    static bool readSome(int fd, std::string& into, Clock::time_point deadline) {
        if (fd < 0) return false;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) return false;
        char buffer[65536];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) return false;  // end of file (a terminal whose program ended gives EIO)
        into.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int out_ = -1, err_ = -1, terminal_ = -1;
    int status_ = -1;
    std::string outText_, errText_, screen_;
};

}  // namespace duovue::testing
