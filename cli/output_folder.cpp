#include "output_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "exit_status.h"
#include "interrupt.h"

namespace duovue {

namespace {

[[noreturn]] void fileFailed(const std::string& path, int error) {
    throw Failure(Exit::FileFailed, "cannot write " + path + ": " + std::strerror(error));
}

// Moves `from` to `to`; without `replace`, fails with EEXIST when `to` exists, however it came.
bool moveInto(const std::string& from, const std::string& to, bool replace) {
    if (replace) return ::rename(from.c_str(), to.c_str()) == 0;
    if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) {
        return true;
    }
    if (errno != EINVAL && errno != ENOSYS) return false;
    // A file system without the no-replace rename: a hard link fails just the same on a name
    // that exists.
    if (::link(from.c_str(), to.c_str()) != 0) return false;
    ::unlink(from.c_str());
    return true;
}

unsigned currentFileMode() {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666u & ~static_cast<unsigned>(mask);
}

}  // namespace

std::string stillFileName(int imageNumber, PictureFormat format) {
    char name[32];
    std::snprintf(name, sizeof name, "duovue-%03d.%s", imageNumber,
                  format == PictureFormat::Bmp ? "bmp" : "png");
    return name;
}

std::string clipFileName(int clipNumber) {
    return "duovue-clip-" + std::to_string(clipNumber) + ".avi";
}

OutputFolder::OutputFolder(std::string dir) : dir_(std::move(dir)), fileMode_(currentFileMode()) {
    struct stat st {};
    if (::stat(dir_.c_str(), &st) != 0) fileFailed(dir_, errno);
    if (!S_ISDIR(st.st_mode)) fileFailed(dir_, ENOTDIR);
    if (::access(dir_.c_str(), W_OK | X_OK) != 0) fileFailed(dir_, errno);
}

std::string OutputFolder::pathOf(const std::string& name) const {
    return dir_.ends_with('/') ? dir_ + name : dir_ + "/" + name;
}

bool OutputFolder::exists(const std::string& name) const {
    struct stat st {};
    return ::lstat(pathOf(name).c_str(), &st) == 0;
}

void OutputFolder::write(const std::string& name, bool replace,
                         const std::function<bool(const std::string&)>& fill) {
    const std::string target = pathOf(name);
    std::string temp = pathOf("." + name + ".XXXXXX");
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) fileFailed(target, errno);
    setTempFile(temp);
    const auto giveUp = [&](int error) {
        ::unlink(temp.c_str());
        setTempFile("");
        fileFailed(target, error);
    };
    const bool modeSet = ::fchmod(fd, fileMode_) == 0;
    const int modeError = errno;
    ::close(fd);
    if (!modeSet) giveUp(modeError);
    errno = 0;
    bool filled = false;
    try {
        filled = fill(temp);
    } catch (...) {
        ::unlink(temp.c_str());
        setTempFile("");
        throw;
    }
    if (!filled) giveUp(errno != 0 ? errno : EIO);
    if (!moveInto(temp, target, replace)) giveUp(errno);
    setTempFile("");
}

void OutputFolder::write(const std::string& name, bool replace, std::span<const uint8_t> bytes) {
    write(name, replace, [&](const std::string& tempPath) {
        const int fd = ::open(tempPath.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
        if (fd < 0) return false;
        const bool written = writeAll(fd, bytes.data(), bytes.size());
        const int error = errno;
        const bool closed = ::close(fd) == 0;
        if (!written) errno = error;
        return written && closed;
    });
}

bool writeAll(int fd, const uint8_t* bytes, size_t size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, bytes, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        bytes += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

}  // namespace duovue
