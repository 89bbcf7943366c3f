// Files written into a folder: each under a temporary name first, renamed when complete, and
// never over an existing file unless asked to.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "options.h"

namespace duovue {

std::string stillFileName(int imageNumber, PictureFormat format);  // "duovue-007.png"
std::string clipFileName(int clipNumber);                          // "duovue-clip-2.avi"

class OutputFolder {
  public:
    // Throws a Failure of Exit::FileFailed when `dir` is not a folder this program can write in.
    explicit OutputFolder(std::string dir);

    const std::string& dir() const { return dir_; }
    std::string pathOf(const std::string& name) const;
    bool exists(const std::string& name) const;

    // Writes `name` through `fill`, which gets the path of a fresh temporary file in the folder
    // and returns false when it could not write it. The temporary file is removed on every
    // failure and on an interrupt; the finished file replaces an existing one only with
    // `replace`. Throws a Failure of Exit::FileFailed naming the file and the reason.
    void write(const std::string& name, bool replace,
               const std::function<bool(const std::string& tempPath)>& fill);
    void write(const std::string& name, bool replace, std::span<const uint8_t> bytes);

  private:
    std::string dir_;
    unsigned fileMode_;  // 0666 less the umask, as a plain create would give
};

// Writes all of `bytes` to `fd`, retrying after signals; false with errno set on failure.
bool writeAll(int fd, const uint8_t* bytes, size_t size);

}  // namespace duovue
