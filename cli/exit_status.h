// What the program's exit status says, and the error that carries one up to main().
#pragma once

#include <stdexcept>
#include <string>

namespace duovue {

enum class Exit : int {
    Ok = 0,
    Usage = 1,         // a bad command line: a one-line reason and "try duovue --help"
    NoCamera = 2,      // no camera answers
    CameraFailed = 3,  // the camera failed part-way; the message names the step
    FileFailed = 4,    // a file could not be written; the message names it and says why
    Interrupted = 130  // Ctrl-C or SIGTERM
};

// Ends a command with `status`; the message is printed as "duovue: <message>".
class Failure : public std::runtime_error {
  public:
    Failure(Exit status, const std::string& message)
        : std::runtime_error(message), status_(status) {}
    Exit status() const { return status_; }

  private:
    Exit status_;
};

}  // namespace duovue
