// Client side of the usbscan socket protocol: bounded, blocking request/reply exchanges.
#include "usbscan_socket.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <mutex>

#include "platform.h"

namespace platform::detail {
namespace {

using SteadyClock = std::chrono::steady_clock;

int remainingMs(SteadyClock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - SteadyClock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

bool waitFor(int fd, short events, SteadyClock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, remainingMs(deadline));
        if (r > 0) return (p.revents & (events | POLLHUP | POLLERR)) != 0;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool sendAll(int fd, const void* data, size_t size, SteadyClock::time_point deadline) {
    auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline)) return false;
            continue;
        }
        return false;
    }
    return true;
}

bool receiveAll(int fd, void* data, size_t size, SteadyClock::time_point deadline) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::recv(fd, p, size, MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
            continue;
        }
        if (n == 0) return false;  // peer closed
        if (errno == EINTR) continue;
        if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline)) return false;
            continue;
        }
        return false;
    }
    return true;
}

// Reads and throws away `size` bytes (a reply longer than the caller's buffer).
bool discard(int fd, size_t size, SteadyClock::time_point deadline) {
    uint8_t sink[4096];
    while (size > 0) {
        const size_t n = size < sizeof sink ? size : sizeof sink;
        if (!receiveAll(fd, sink, n, deadline)) return false;
        size -= n;
    }
    return true;
}

// Says once per distinct reason why the socket folder is refused (the device search asks for
// every slot).
void reportRefusal(const std::string& line) {
    static std::mutex mutex;
    static std::string last;
    std::lock_guard lock(mutex);
    if (line == last) return;
    last = line;
    std::fprintf(stderr, "usbscan: %s\n", line.c_str());
}

}  // namespace

int connectUsbscanSocket(const std::string& path, uint32_t timeoutMs) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.empty() || path.size() >= sizeof address.sun_path) return -1;
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return -1;  // no camera is served there
    if (const std::string problem = usbscanFolderProblem(folder); !problem.empty()) {
        reportRefusal(problem);
        return -1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
    // Non-blocking throughout: a camera whose queue of waiting connections is full refuses
    // at once (EAGAIN) instead of leaving the caller hanging in connect().
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    int r;
    do {
        r = ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address);
    } while (r < 0 && errno == EINTR);
    if (r < 0 && errno == EINPROGRESS) {
        const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
        int error = 0;
        socklen_t length = sizeof error;
        if (waitFor(fd, POLLOUT, deadline) &&
            ::getsockopt(fd, SOL_SOCKET, SO_ERROR, &error, &length) == 0 && error == 0)
            r = 0;
    }
    if (r < 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

bool exchange(int fd, const usbscan::Request& request, const void* sendData, void* replyData,
              uint32_t replyCapacity, uint32_t& replyLength, bool& ok, uint32_t timeoutMs) {
    replyLength = 0;
    ok = false;
    const auto deadline = SteadyClock::now() + std::chrono::milliseconds(timeoutMs);
    if (!sendAll(fd, &request, sizeof request, deadline)) return false;
    if (request.length > 0 && sendData != nullptr &&
        !sendAll(fd, sendData, request.length, deadline)) {
        return false;
    }
    // The answer cannot be there yet: wait for it, then take the header and (usually) all of a
    // register reply's data in one read.
    if (!waitFor(fd, POLLIN, deadline)) return false;
    uint8_t staging[sizeof(usbscan::Reply) + usbscan::kMaxRegisterBytes];
    size_t staged = 0;
    while (staged < sizeof(usbscan::Reply)) {
        const ssize_t n = ::recv(fd, staging + staged, sizeof staging - staged, MSG_DONTWAIT);
        if (n > 0) {
            staged += static_cast<size_t>(n);
        } else if (n == 0) {
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFor(fd, POLLIN, deadline)) return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    usbscan::Reply reply;
    std::memcpy(&reply, staging, sizeof reply);
    // A reply never carries more than was asked for; anything else is a broken peer.
    const uint32_t asked =
        request.op == static_cast<uint8_t>(usbscan::Op::Descriptor)      ? usbscan::kDescriptorBytes
        : request.op == static_cast<uint8_t>(usbscan::Op::WriteRegister) ? 0
                                                                         : request.length;
    if (reply.length > asked || reply.ok > 1) return false;
    const size_t extra = staged - sizeof reply;  // data bytes already here
    if (extra > reply.length) return false;      // more than the reply holds
    const uint32_t kept = reply.length < replyCapacity ? reply.length : replyCapacity;
    auto* out = static_cast<uint8_t*>(replyData);
    const size_t fromStaging = extra < kept ? extra : kept;
    if (fromStaging > 0) std::memcpy(out, staging + sizeof reply, fromStaging);
    if (kept > fromStaging && !receiveAll(fd, out + fromStaging, kept - fromStaging, deadline))
        return false;
    const size_t received = extra > kept ? extra : kept;
    if (reply.length > received && !discard(fd, reply.length - received, deadline)) return false;
    replyLength = kept;
    ok = reply.ok == 1;
    return true;
}

}  // namespace platform::detail

namespace platform {

std::string usbscanFolderProblem(const std::string& folder) {
    struct stat st {};
    if (::lstat(folder.c_str(), &st) != 0) return folder + ": " + std::strerror(errno);
    if (S_ISLNK(st.st_mode)) return folder + ": is a symbolic link, not a folder; refused";
    if (!S_ISDIR(st.st_mode)) return folder + ": not a folder; refused";
    if (st.st_uid != ::geteuid()) return folder + ": owned by another user; refused";
    if ((st.st_mode & 077) != 0) return folder + ": open to other users; refused";
    return {};
}

}  // namespace platform
