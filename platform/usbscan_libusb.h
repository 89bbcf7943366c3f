// The third kind of device file: a real camera on the USB bus, reached through libusb-1.0.
// Only cameras on the list (usb_ids.h) are ever opened. They take the slot numbers that no
// in-process device and no simulator socket holds, in bus and port order.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform.h"

struct libusb_context;
struct libusb_device_handle;

namespace platform::detail {

// One opened camera: interface 0 claimed. Every call is bounded by the transfer timeout; once
// the camera is gone (unplugged), this and every later call fails at once.
class UsbCamera {
  public:
    UsbCamera(libusb_device_handle* handle, uint8_t bulkIn, bool reattachDriver);
    ~UsbCamera();
    UsbCamera(const UsbCamera&) = delete;
    UsbCamera& operator=(const UsbCamera&) = delete;

    // Vendor control requests carrying register reads and writes.
    bool readRegisters(const IO_BLOCK& block, uint8_t* data, uint32_t& returned);
    bool writeRegisters(const IO_BLOCK& block);
    bool descriptor(DEVICE_DESCRIPTOR& out);
    // Bulk IN until `length` bytes came or a short packet ended the transfer; `transferred`
    // counts what came, also when the read failed part way.
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred);
    // Releases the interface and closes the device; later calls fail.
    void close();

  private:
    bool failed(int result);  // notes a vanished camera; always false

    std::mutex io_;
    libusb_device_handle* handle_;
    uint8_t bulkIn_;  // 0: the camera has no bulk IN endpoint on interface 0
    bool reattachDriver_;
    bool dead_ = false;
};

// What the backend keeps for the process: the libusb context (made the first time a list
// names a camera) and which problems were already reported.
struct LibusbState {
    std::mutex mutex;
    libusb_context* context = nullptr;
    std::string reportedList;  // the list problems last printed, so each is printed once
    bool warnedAccess = false;
    bool warnedBusy = false;
    std::atomic<uint32_t> timeoutMs{5000};
};

// The listed camera that takes `slot`, opened; null when none does. `slotHeld(n)` says
// whether an in-process device or a socket holds slot n.
std::shared_ptr<UsbCamera> openUsbCamera(int slot, const std::function<bool(int)>& slotHeld);

}  // namespace platform::detail
