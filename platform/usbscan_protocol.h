// The usbscan socket protocol between the platform's device files and the simulated camera.
//
// One request, one reply, in host byte order over a Unix stream socket:
//   request: Request, then `length` data bytes for a register write;
//   reply:   Reply, then `length` data bytes (register read, descriptor, bulk read).
// `ok` is 1 when the device did what was asked and 0 when it failed the request; a bulk read
// may carry fewer bytes than asked (a short transfer), also when it failed.
#pragma once

#include <cstdint>

namespace platform::usbscan {

enum class Op : uint8_t { ReadRegister = 1, WriteRegister = 2, Descriptor = 3, BulkRead = 4 };

struct Request {
    uint8_t op = 0;
    uint8_t reserved[3] = {};
    uint32_t reg = 0;
    uint32_t length = 0;
};
static_assert(sizeof(Request) == 12);

struct Reply {
    uint8_t ok = 0;
    uint8_t reserved[3] = {};
    uint32_t length = 0;
};
static_assert(sizeof(Reply) == 8);

// Register requests carry at most an 8-bit length; one bulk read at most a whole store and
// then some. Anything longer is refused, never allocated.
inline constexpr uint32_t kMaxRegisterBytes = 255;
inline constexpr uint32_t kMaxBulkBytes = 16u << 20;
inline constexpr uint32_t kDescriptorBytes = 8;

}  // namespace platform::usbscan
