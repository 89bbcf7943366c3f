// State of the usbscan device files: attached in-process devices and open handles.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "platform.h"
#include "usbscan_libusb.h"

namespace platform::detail {

inline constexpr int kUsbscanSlots = 127;  // \\.\Usbscan0 .. \\.\Usbscan126
inline constexpr int kHandleIndexBits = 12;
inline constexpr int kMaxOpenDevices = 1 << kHandleIndexBits;  // open device files at once

// One open device file: an in-process device, a connected socket or a camera on the bus.
struct OpenDevice {
    uintptr_t key = 0;  // the handle value: serial number above the table index
    int slot = 0;
    std::shared_ptr<UsbDevice> device;  // in-process; null for a socket
    int fd = -1;                        // socket
    std::shared_ptr<UsbCamera> usb;     // camera on the bus
    std::mutex io;                      // one request at a time on a socket
    bool dead = false;                  // the socket peer went away or stopped answering
};

struct UsbscanState {
    std::mutex mutex;
    std::atomic<int> onlySlot{-1};  // restrictUsbscan: the one number that opens, or -1
    std::array<std::shared_ptr<UsbDevice>, kUsbscanSlots> attached;
    // Open device files by the low bits of their handle; the serial number in the upper bits
    // keeps a closed handle's value from naming a later file.
    std::array<std::shared_ptr<OpenDevice>, kMaxOpenDevices> open;
    uint32_t serial = 0;
    uint32_t cursor = 0;  // where the search for a free entry starts
    std::atomic<uint32_t> timeoutMs{3000};
    LibusbState libusb;  // cameras on the bus (usbscan_libusb.cpp)
};

}  // namespace platform::detail
