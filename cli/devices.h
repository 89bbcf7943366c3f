// The cameras that answer, and pointing the driver's search at the one the command line names.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "options.h"
#include "platform.h"

namespace duovue {

struct DeviceEntry {
    int slot = 0;
    uint16_t vendorId = 0;
    uint16_t productId = 0;
    platform::UsbscanSource source = platform::UsbscanSource::None;
};

// Every \\.\UsbscanN that opens and gives its device descriptor, narrowed by --camera and by
// --vendor/--product.
std::vector<DeviceEntry> findDevices(const Options& options);

// "usbscan0 1D5C:0A15 simulator"
std::string deviceLine(const DeviceEntry& device);

// Lets only the named camera open: --camera N, or the first camera whose descriptor carries
// --vendor/--product (a Failure of Exit::NoCamera when none does). Without either, the driver's
// own search takes the first camera that answers.
void chooseCamera(const Options& options);

}  // namespace duovue
