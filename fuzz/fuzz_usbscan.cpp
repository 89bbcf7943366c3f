// The usbscan socket client against a peer whose replies are the input. The first eight input
// bytes script the requests (operation, register and length of each); everything after them is
// what the peer sends back, all of it up front, then the peer stops sending. Requests go on
// until an exchange breaks.
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "usbscan_socket.h"

namespace {

namespace usb = platform::usbscan;

constexpr size_t kScript = 8;

// The request a script byte asks for.
usb::Request requestOf(uint8_t code) {
    usb::Request r;
    r.op = static_cast<uint8_t>(1 + code % 4);
    r.reg = code;
    const uint32_t lengths[] = {0, 1, 8, 255, 256, 4096, 61440, usb::kMaxBulkBytes};
    r.length = lengths[(code >> 2) % 8];
    if (r.op != static_cast<uint8_t>(usb::Op::BulkRead)) r.length &= 0xFF;
    return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) return 0;
    const size_t script = std::min(size, kScript);
    // The peer's bytes fit the socket's buffer for every input libFuzzer makes by default; a
    // longer input is cut where the buffer is full.
    const int big = 1 << 20;
    ::setsockopt(ends[1], SOL_SOCKET, SO_SNDBUF, &big, sizeof big);
    for (size_t at = script; at < size;) {
        const ssize_t n = ::send(ends[1], data + at, size - at, MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n <= 0) break;
        at += static_cast<size_t>(n);
    }
    ::shutdown(ends[1], SHUT_WR);

    static std::vector<uint8_t> reply(usb::kMaxBulkBytes);
    const uint8_t writeData[255] = {};
    for (size_t step = 0; step < 4 * kScript; ++step) {
        const usb::Request request = requestOf(script > 0 ? data[step % script] : 0);
        const uint32_t capacity = std::min<uint32_t>(request.length, usb::kMaxBulkBytes);
        uint32_t replyLength = 0;
        bool ok = false;
        const bool write = request.op == static_cast<uint8_t>(usb::Op::WriteRegister);
        if (!platform::detail::exchange(ends[0], request, write ? writeData : nullptr, reply.data(),
                                        capacity, replyLength, ok, 50))
            break;
        if (replyLength > capacity) __builtin_trap();  // never more than the caller's buffer
    }
    ::close(ends[0]);
    ::close(ends[1]);
    return 0;
}
