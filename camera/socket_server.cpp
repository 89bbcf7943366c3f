// The simulator's side of the usbscan socket protocol: a single-threaded poll loop over the
// listening socket, the connected clients and a signal descriptor. Each request is answered in
// full before the next one is looked at, so the camera sees one call at a time.
#include "socket_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <vector>

#include "usbscan_protocol.h"

namespace camera {
namespace {

namespace proto = platform::usbscan;

constexpr int kClientTimeoutMs = 5000;

bool waitFd(int fd, short events) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, kClientTimeoutMs);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
}

bool receiveAll(int fd, void* data, size_t size) {
    auto* p = static_cast<uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::recv(fd, p, size, MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
        } else if (n == 0) {
            return false;
        } else if (errno == EAGAIN || errno == EWOULDBLOCK) {
            if (!waitFd(fd, POLLIN)) return false;
        } else if (errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool sendAll(int fd, const void* data, size_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    while (size > 0) {
        const ssize_t n = ::send(fd, p, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            p += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFd(fd, POLLOUT)) return false;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return false;
        }
    }
    return true;
}

bool reply(int fd, bool ok, const uint8_t* data, uint32_t length) {
    proto::Reply r;
    r.ok = ok ? 1 : 0;
    r.length = length;
    // Header and data in one call when they fit (every reply but long bulk reads).
    uint8_t small[sizeof r + proto::kMaxRegisterBytes];
    if (length <= proto::kMaxRegisterBytes) {
        std::memcpy(small, &r, sizeof r);
        if (length > 0) std::memcpy(small + sizeof r, data, length);
        return sendAll(fd, small, sizeof r + length);
    }
    return sendAll(fd, &r, sizeof r) && sendAll(fd, data, length);
}

// Answers one request; false when the client is gone or broke the protocol.
bool answer(SimCamera& camera, int fd, std::vector<uint8_t>& buffer) {
    proto::Request request;
    if (!receiveAll(fd, &request, sizeof request)) return false;
    switch (static_cast<proto::Op>(request.op)) {
        case proto::Op::ReadRegister: {
            if (request.length > proto::kMaxRegisterBytes) return false;
            uint8_t data[proto::kMaxRegisterBytes];
            const bool ok = camera.readRegister(request.reg, data, request.length);
            return reply(fd, ok, data, ok ? request.length : 0);
        }
        case proto::Op::WriteRegister: {
            if (request.length > proto::kMaxRegisterBytes) return false;
            uint8_t data[proto::kMaxRegisterBytes];
            if (request.length > 0 && !receiveAll(fd, data, request.length)) return false;
            return reply(fd, camera.writeRegister(request.reg, data, request.length), nullptr, 0);
        }
        case proto::Op::Descriptor: {
            DEVICE_DESCRIPTOR d{};
            const bool ok = camera.deviceDescriptor(d);
            return reply(fd, ok, reinterpret_cast<const uint8_t*>(&d), ok ? sizeof d : 0);
        }
        case proto::Op::BulkRead: {
            if (request.length > proto::kMaxBulkBytes) return false;
            if (buffer.size() < request.length) buffer.resize(request.length);
            uint32_t transferred = 0;
            const bool ok = camera.bulkRead(buffer.data(), request.length, transferred);
            if (transferred > request.length) transferred = request.length;
            return reply(fd, ok, buffer.data(), transferred);
        }
    }
    return false;
}

// An existing socket file: in use when something accepts connections on it.
bool socketInUse(const sockaddr_un& address) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool live =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return live;
}

}  // namespace

int serveCamera(SimCamera& camera, const std::string& path, void (*ready)(void*), void* context,
                std::string& error) {
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (path.size() >= sizeof address.sun_path) {
        error = path + ": socket path too long";
        return 1;
    }
    std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

    std::error_code ec;
    const auto dir = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(dir, ec);
    if (ec) {
        error = dir.string() + ": " + ec.message();
        return 1;
    }
    ::chmod(dir.c_str(), 0700);
    if (std::filesystem::exists(path, ec)) {
        if (socketInUse(address)) {
            error = path + ": another camera already serves this slot";
            return 1;
        }
        ::unlink(path.c_str());  // left behind by a camera that was killed
    }

    // Stop signals arrive through a descriptor, so the loop never runs a handler.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_BLOCK, &stopSignals, nullptr);
    const int signalFd = ::signalfd(-1, &stopSignals, SFD_CLOEXEC);
    const int listener = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (signalFd < 0 || listener < 0 ||
        ::bind(listener, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(listener, 16) != 0) {
        error = path + ": " + std::strerror(errno);
        if (listener >= 0) ::close(listener);
        if (signalFd >= 0) ::close(signalFd);
        return 1;
    }
    ready(context);

    std::vector<int> clients, keep;
    std::vector<uint8_t> buffer;
    std::vector<pollfd> fds;
    bool stopping = false;
    while (!stopping) {
        fds.clear();
        fds.push_back({signalFd, POLLIN, 0});
        fds.push_back({listener, POLLIN, 0});
        for (int c : clients) fds.push_back({c, POLLIN, 0});
        const int r = ::poll(fds.data(), fds.size(), -1);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) stopping = true;
        keep.clear();
        for (size_t i = 2; i < fds.size(); ++i) {
            const int c = fds[i].fd;
            bool alive = true;
            if (fds[i].revents & POLLIN)
                alive = answer(camera, c, buffer);
            else if (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))
                alive = false;
            if (alive)
                keep.push_back(c);
            else
                ::close(c);
        }
        clients.swap(keep);
        if (fds[1].revents & POLLIN) {
            const int c = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) clients.push_back(c);
        }
    }
    for (int c : clients) ::close(c);
    ::close(listener);
    ::close(signalFd);
    ::unlink(path.c_str());
    return 0;
}

}  // namespace camera
