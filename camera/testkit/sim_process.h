// Test helper: runs the real duovue-sim program on a private runtime directory.
//
//   camera::SimProcess sim({"--store", "full"});   // slot 0, waits for the ready line
//   HANDLE h = CreateFileA("\\\\.\\Usbscan0", ...);  // reaches the simulator's socket
//   sim.kill();                                      // unplugged: later calls fail
//
// The constructor creates a fresh directory, points XDG_RUNTIME_DIR of this process at it (so
// the platform finds the socket; the previous value comes back in the destructor), starts the
// program and waits (at most 10 s) for its ready line; it throws std::runtime_error when the
// program does not get ready. The destructor stops the program if it still runs and removes
// the directory.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

namespace camera {

class SimProcess {
  public:
    explicit SimProcess(std::vector<std::string> arguments = {}, int slot = 0);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    pid_t pid() const { return pid_; }
    int slot() const { return slot_; }
    bool running() const { return pid_ > 0; }
    const std::string& runtimeDir() const { return runtimeDir_; }
    std::string socketPath() const;  // <runtime dir>/usbscan/<slot>
    const std::string& readyLine() const { return readyLine_; }

    // SIGTERM and wait: the program removes its socket and exits. Returns the exit status
    // (128 + signal number when it died of a signal), or -1 when it was not running.
    int stop();
    // SIGKILL and wait: the socket file stays behind, as after a crash.
    void kill();

    // Path of the duovue-sim program.
    static std::string programPath();
    // Runs duovue-sim with `arguments` to completion (at most `timeoutMs`), collecting what it
    // writes to stdout and stderr into `output`. Returns the exit status, or -1 on a timeout
    // (the program is then killed).
    static int runToEnd(const std::vector<std::string>& arguments, std::string* output,
                        int timeoutMs = 10000);

  private:
    int wait();

    pid_t pid_ = -1;
    int slot_ = 0;
    int outputFd_ = -1;
    std::string runtimeDir_;
    std::string readyLine_;
    std::optional<std::string> previousRuntimeDir_;
};

}  // namespace camera
