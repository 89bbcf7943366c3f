// State of the usbscan device files: attached in-process devices and open handles.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

#include "platform.h"

namespace platform::detail {

inline constexpr int kUsbscanSlots = 127;  // \\.\Usbscan0 .. \\.\Usbscan126

// One open device file: an in-process device or a connected socket.
struct OpenDevice {
    int slot = 0;
    std::shared_ptr<UsbDevice> device;  // in-process; null for a socket
    int fd = -1;                        // socket
    std::mutex io;                      // one request at a time on a socket
    bool dead = false;                  // the socket peer went away or stopped answering
};

struct UsbscanState {
    std::mutex mutex;
    std::array<std::shared_ptr<UsbDevice>, kUsbscanSlots> attached;
    std::unordered_map<uintptr_t, std::shared_ptr<OpenDevice>> handles;
    uintptr_t nextHandle = 0x1000;
    std::atomic<uint32_t> timeoutMs{3000};
};

}  // namespace platform::detail
