// The mocked USB bus shared by every test of the program: a foreign device at port 1 and two
// cameras at ports 2 and 3, made once before libusb first looks at the bus.
#pragma once

#include <memory>

#include "usb_camera_model.h"

namespace usbtest {

inline constexpr uint16_t kForeignVendor = 0x1234, kForeignProduct = 0x5678;
inline constexpr uint16_t kSecondProduct = 0x0A16;  // the camera at port 2

struct UsbBus {
    std::unique_ptr<UsbCameraModel> foreign;  // port 1: never on the list
    std::unique_ptr<UsbCameraModel> second;   // port 2: 1d5c:0a16
    std::unique_ptr<UsbCameraModel> camera;   // port 3: 1d5c:0a15
};

UsbBus& bus();

}  // namespace usbtest
