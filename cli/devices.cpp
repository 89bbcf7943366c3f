#include "devices.h"

#include <cstdio>

#include "exit_status.h"

namespace duovue {

namespace {

constexpr int kSlots = 127;  // \\.\Usbscan0 .. \\.\Usbscan126

const char* sourceName(platform::UsbscanSource source) {
    switch (source) {
        case platform::UsbscanSource::InProcess:
            return "in-process";
        case platform::UsbscanSource::Simulator:
            return "simulator";
        case platform::UsbscanSource::Usb:
            return "usb";
        case platform::UsbscanSource::None:
            break;
    }
    return "unknown";
}

std::string idText(uint16_t vendorId, uint16_t productId) {
    char text[16];
    std::snprintf(text, sizeof text, "%04X:%04X", vendorId, productId);
    return text;
}

}  // namespace

std::vector<DeviceEntry> findDevices(const Options& options) {
    std::vector<DeviceEntry> found;
    for (int slot = 0; slot < kSlots; ++slot) {
        if (options.camera >= 0 && slot != options.camera) continue;
        const std::string name = "\\\\.\\Usbscan" + std::to_string(slot);
        HANDLE device =
            CreateFileA(name.c_str(), GENERIC_READ | GENERIC_WRITE,
                        FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        if (device == INVALID_HANDLE_VALUE) continue;
        DEVICE_DESCRIPTOR descriptor{};
        DWORD returned = 0;
        const bool answered =
            DeviceIoControl(device, IOCTL_GET_DEVICE_DESCRIPTOR, &descriptor, sizeof descriptor,
                            &descriptor, sizeof descriptor, &returned, nullptr) != 0 &&
            returned == sizeof descriptor;
        const auto source = platform::usbscanSource(device);
        CloseHandle(device);
        if (!answered) continue;
        if (options.vendorId && (descriptor.usVendorId != *options.vendorId ||
                                 descriptor.usProductId != *options.productId)) {
            continue;
        }
        found.push_back({slot, descriptor.usVendorId, descriptor.usProductId, source});
    }
    return found;
}

std::string deviceLine(const DeviceEntry& device) {
    return "usbscan" + std::to_string(device.slot) + " " +
           idText(device.vendorId, device.productId) + " " + sourceName(device.source);
}

void chooseCamera(const Options& options) {
    if (!options.vendorId) {
        if (options.camera >= 0) platform::restrictUsbscan(options.camera);
        return;
    }
    const auto found = findDevices(options);
    if (found.empty()) {
        std::string where =
            options.camera >= 0 ? " as usbscan" + std::to_string(options.camera) : "";
        throw Failure(Exit::NoCamera, "no camera " + idText(*options.vendorId, *options.productId) +
                                          " answers" + where);
    }
    platform::restrictUsbscan(found.front().slot);
}

}  // namespace duovue
