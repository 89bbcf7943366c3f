// The simulator's side of the usbscan socket protocol: a single-threaded poll loop over the
// listening socket, the connected clients and a signal descriptor. Requests are gathered per
// client as their bytes arrive, so a slow client delays no other; a whole request must arrive
// within kRequestMs of its first byte. Each request is answered in full before the next one is
// looked at, so the camera sees one call at a time.
#include "socket_server.h"

#include <poll.h>
#include <signal.h>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <vector>

#include "platform.h"
#include "usbscan_protocol.h"

namespace camera {
namespace {

namespace proto = platform::usbscan;

constexpr int kClientTimeoutMs = 5000;  // a reply's progress
constexpr int kRequestMs = 1000;        // a whole request, from its first byte

int64_t nowMs() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// A connected client and the request it is sending.
struct Client {
    int fd = -1;
    std::vector<uint8_t> pending;  // bytes of the request so far
    int64_t firstByteMs = 0;       // when the first of them arrived
};

bool waitFd(int fd, short events) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int r = ::poll(&p, 1, kClientTimeoutMs);
        if (r > 0) return true;
        if (r == 0) return false;
        if (errno != EINTR) return false;
    }
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

// Bytes of the whole request that starts with `pending` (at least a header), or 0 when the
// request is malformed: the client is then dropped.
size_t requestBytes(const std::vector<uint8_t>& pending) {
    proto::Request request;
    std::memcpy(&request, pending.data(), sizeof request);
    switch (static_cast<proto::Op>(request.op)) {
        case proto::Op::ReadRegister:
            return request.length <= proto::kMaxRegisterBytes ? sizeof request : 0;
        case proto::Op::WriteRegister:
            return request.length <= proto::kMaxRegisterBytes ? sizeof request + request.length : 0;
        case proto::Op::Descriptor:
            return sizeof request;
        case proto::Op::BulkRead:
            return request.length <= proto::kMaxBulkBytes ? sizeof request : 0;
    }
    return 0;
}

// Answers a whole request; false when the client is gone.
bool answer(SimCamera& camera, int fd, const std::vector<uint8_t>& whole,
            std::vector<uint8_t>& buffer) {
    proto::Request request;
    std::memcpy(&request, whole.data(), sizeof request);
    switch (static_cast<proto::Op>(request.op)) {
        case proto::Op::ReadRegister: {
            uint8_t data[proto::kMaxRegisterBytes];
            const bool ok = camera.readRegister(request.reg, data, request.length);
            return reply(fd, ok, data, ok ? request.length : 0);
        }
        case proto::Op::WriteRegister: {
            const bool ok =
                camera.writeRegister(request.reg, whole.data() + sizeof request, request.length);
            return reply(fd, ok, nullptr, 0);
        }
        case proto::Op::Descriptor: {
            DEVICE_DESCRIPTOR d{};
            const bool ok = camera.deviceDescriptor(d);
            return reply(fd, ok, reinterpret_cast<const uint8_t*>(&d), ok ? sizeof d : 0);
        }
        case proto::Op::BulkRead: {
            if (buffer.size() < request.length) buffer.resize(request.length);
            uint32_t transferred = 0;
            const bool ok = camera.bulkRead(buffer.data(), request.length, transferred);
            if (transferred > request.length) transferred = request.length;
            return reply(fd, ok, buffer.data(), transferred);
        }
    }
    return false;
}

// Takes what has arrived of the client's request without waiting, and answers it once whole.
// False when the client is gone or broke the protocol.
bool serve(SimCamera& camera, Client& client, std::vector<uint8_t>& buffer) {
    size_t want = sizeof(proto::Request);
    if (client.pending.size() >= want) want = requestBytes(client.pending);
    for (;;) {
        const size_t have = client.pending.size();
        client.pending.resize(want);
        const ssize_t n =
            ::recv(client.fd, client.pending.data() + have, want - have, MSG_DONTWAIT);
        client.pending.resize(have + (n > 0 ? static_cast<size_t>(n) : 0));
        if (n == 0) return false;
        if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        if (have == 0) client.firstByteMs = nowMs();
        if (client.pending.size() < want) continue;
        if (want == sizeof(proto::Request)) {
            want = requestBytes(client.pending);
            if (want == 0) return false;
            if (want > client.pending.size()) continue;
        }
        const bool alive = answer(camera, client.fd, client.pending, buffer);
        client.pending.clear();
        return alive;
    }
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

    // The folder is made private by mkdir itself, and an existing one is taken only when it
    // is already private: a link or another user's folder could lend the camera's name to them.
    std::error_code ec;
    const auto dir = std::filesystem::path(path).parent_path();
    std::filesystem::create_directories(dir.parent_path(), ec);
    if (::mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        error = dir.string() + ": " + std::strerror(errno);
        return 1;
    }
    if (std::string problem = platform::usbscanFolderProblem(dir.string()); !problem.empty()) {
        error = std::move(problem);
        return 1;
    }
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) {
        if (!S_ISSOCK(existing.st_mode)) {
            error = path + ": not a socket; left as it is, the slot is not served";
            return 1;
        }
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

    std::vector<Client> clients, keep;
    std::vector<uint8_t> buffer;
    std::vector<pollfd> fds;
    bool stopping = false;
    while (!stopping) {
        fds.clear();
        fds.push_back({signalFd, POLLIN, 0});
        fds.push_back({listener, POLLIN, 0});
        // Wake up in time to drop the first client whose request is overdue.
        int timeout = -1;
        const int64_t now = nowMs();
        for (const Client& c : clients) {
            fds.push_back({c.fd, POLLIN, 0});
            if (c.pending.empty()) continue;
            const int64_t left = std::max<int64_t>(0, c.firstByteMs + kRequestMs - now);
            if (timeout < 0 || left < timeout) timeout = static_cast<int>(left);
        }
        const int r = ::poll(fds.data(), fds.size(), timeout);
        if (r < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) stopping = true;
        keep.clear();
        for (size_t i = 2; i < fds.size(); ++i) {
            Client& c = clients[i - 2];
            bool alive = true;
            if (fds[i].revents & POLLIN)
                alive = serve(camera, c, buffer);
            else if (fds[i].revents & (POLLHUP | POLLERR | POLLNVAL))
                alive = false;
            if (alive && !c.pending.empty() && nowMs() - c.firstByteMs >= kRequestMs)
                alive = false;  // too slow: the request did not arrive in time
            if (alive)
                keep.push_back(std::move(c));
            else
                ::close(c.fd);
        }
        clients.swap(keep);
        if (fds[1].revents & POLLIN) {
            const int c = ::accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
            if (c >= 0) clients.push_back(Client{c, {}, 0});
        }
    }
    for (const Client& c : clients) ::close(c.fd);
    ::close(listener);
    ::close(signalFd);
    ::unlink(path.c_str());
    return 0;
}

}  // namespace camera
