// Real cameras over libusb-1.0, making the calls of the Windows still-image driver: register
// reads and writes as vendor control requests, the device descriptor from the bus, ReadFile as
// bulk IN on interface 0.
#include "usbscan_libusb.h"

#include <libusb.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <vector>

#include "platform_state.h"
#include "usb_ids.h"

namespace platform::detail {
namespace {

constexpr uint8_t kVendorIn = 0xC0;         // device to host, vendor request, to the device
constexpr uint8_t kVendorOut = 0x40;        // host to device, vendor request, to the device
constexpr uint8_t kRequestMultiple = 0x04;  // more than one register byte
constexpr uint8_t kRequestSingle = 0x0C;    // one byte (or none)
// One bulk transfer at most; a multiple of every bulk packet size, so only a real short
// packet comes up short.
constexpr int kBulkTransferBytes = 1 << 20;

LibusbState& backend() {
    return state().usbscan.libusb;
}

uint8_t requestFor(const IO_BLOCK& block) {
    return block.uLength > 1 ? kRequestMultiple : kRequestSingle;
}

// Where a camera sits, for messages: "1d5c:0a15 on bus 1 port 2.3".
std::string describe(libusb_device* device, const libusb_device_descriptor& d) {
    char text[96];
    std::snprintf(text, sizeof text, "%04x:%04x on bus %u port ", d.idVendor, d.idProduct,
                  libusb_get_bus_number(device));
    std::string out = text;
    std::array<uint8_t, 8> ports{};
    const int depth = libusb_get_port_numbers(device, ports.data(), ports.size());
    for (int i = 0; i < depth; ++i) {
        if (i > 0) out += '.';
        out += std::to_string(ports[i]);
    }
    if (depth <= 0) out += '?';
    return out;
}

// Prints a message the first time only.
void reportOnce(bool LibusbState::*flag, const std::string& message) {
    {
        auto& b = backend();
        std::lock_guard lock(b.mutex);
        if (b.*flag) return;
        b.*flag = true;
    }
    std::fprintf(stderr, "%s\n", message.c_str());
}

// The list now in effect; its problems are printed when they differ from the last printed.
UsbIdList currentList() {
    UsbIdList list = loadUsbIdList();
    std::string problems;
    for (const auto& line : list.problems) problems += line + '\n';
    auto& b = backend();
    std::lock_guard lock(b.mutex);
    if (problems != b.reportedList) {
        b.reportedList = problems;
        std::fputs(problems.c_str(), stderr);
    }
    return list;
}

libusb_context* context() {
    auto& b = backend();
    std::lock_guard lock(b.mutex);
    if (b.context == nullptr && libusb_init(&b.context) != LIBUSB_SUCCESS) b.context = nullptr;
    return b.context;
}

struct Candidate {
    libusb_device* device;
    libusb_device_descriptor descriptor;
    uint8_t bus;
    std::array<uint8_t, 8> ports;
    int depth;
};

// Listed cameras in bus and port order. Only descriptors the system already holds are read:
// nothing is opened here.
std::vector<Candidate> listedCameras(libusb_device* const* devices, const UsbIdList& list) {
    std::vector<Candidate> found;
    for (auto* const* d = devices; *d != nullptr; ++d) {
        Candidate c{*d, {}, libusb_get_bus_number(*d), {}, 0};
        if (libusb_get_device_descriptor(*d, &c.descriptor) != LIBUSB_SUCCESS) continue;
        if (!list.contains(c.descriptor.idVendor, c.descriptor.idProduct)) continue;
        c.depth = std::max(0, libusb_get_port_numbers(*d, c.ports.data(), c.ports.size()));
        found.push_back(c);
    }
    std::sort(found.begin(), found.end(), [](const Candidate& a, const Candidate& b) {
        if (a.bus != b.bus) return a.bus < b.bus;
        return std::lexicographical_compare(a.ports.begin(), a.ports.begin() + a.depth,
                                            b.ports.begin(), b.ports.begin() + b.depth);
    });
    return found;
}

// The highest-numbered bulk IN endpoint of interface 0, or 0.
uint8_t bulkInEndpoint(libusb_device* device) {
    libusb_config_descriptor* config = nullptr;
    if (libusb_get_active_config_descriptor(device, &config) != LIBUSB_SUCCESS) return 0;
    uint8_t best = 0;
    for (int i = 0; i < config->bNumInterfaces; ++i) {
        const libusb_interface& interface = config->interface[i];
        if (interface.num_altsetting < 1) continue;
        const libusb_interface_descriptor& setting = interface.altsetting[0];
        if (setting.bInterfaceNumber != 0) continue;
        for (int e = 0; e < setting.bNumEndpoints; ++e) {
            const libusb_endpoint_descriptor& endpoint = setting.endpoint[e];
            const bool bulk =
                (endpoint.bmAttributes & LIBUSB_TRANSFER_TYPE_MASK) == LIBUSB_TRANSFER_TYPE_BULK;
            const bool in = (endpoint.bEndpointAddress & LIBUSB_ENDPOINT_IN) != 0;
            if (bulk && in && (endpoint.bEndpointAddress & 0x0F) > (best & 0x0F))
                best = endpoint.bEndpointAddress;
        }
    }
    libusb_free_config_descriptor(config);
    return best;
}

void warnAccess(const std::string& where) {
    reportOnce(&LibusbState::warnedAccess,
               "duovue: no permission to open the camera " + where +
                   ": install the udev rule 70-duovue.rules, then unplug the camera and plug "
                   "it in again (see \"Real camera\" in the README)");
}

void warnBusy(const std::string& where) {
    reportOnce(&LibusbState::warnedBusy, "duovue: the camera " + where +
                                             " is busy: another program holds it; close that "
                                             "program and try again");
}

// Opens the camera: configuration checked, any kernel driver detached, interface 0 claimed.
std::shared_ptr<UsbCamera> openCandidate(const Candidate& c) {
    const std::string where = describe(c.device, c.descriptor);
    libusb_device_handle* handle = nullptr;
    int r = libusb_open(c.device, &handle);
    if (r != LIBUSB_SUCCESS) {
        if (r == LIBUSB_ERROR_ACCESS) warnAccess(where);
        return nullptr;
    }
    int configuration = 0;
    r = libusb_get_configuration(handle, &configuration);
    if (r == LIBUSB_SUCCESS && configuration == 0) {
        libusb_config_descriptor* first = nullptr;
        r = libusb_get_config_descriptor(c.device, 0, &first);
        if (r == LIBUSB_SUCCESS) {
            r = libusb_set_configuration(handle, first->bConfigurationValue);
            libusb_free_config_descriptor(first);
        }
    }
    bool reattach = false;
    if (r == LIBUSB_SUCCESS && libusb_kernel_driver_active(handle, 0) == 1) {
        r = libusb_detach_kernel_driver(handle, 0);
        reattach = r == LIBUSB_SUCCESS;
    }
    if (r == LIBUSB_SUCCESS) r = libusb_claim_interface(handle, 0);
    if (r != LIBUSB_SUCCESS) {
        if (r == LIBUSB_ERROR_BUSY) warnBusy(where);
        if (r == LIBUSB_ERROR_ACCESS) warnAccess(where);
        if (reattach) libusb_attach_kernel_driver(handle, 0);
        libusb_close(handle);
        return nullptr;
    }
    return std::make_shared<UsbCamera>(handle, bulkInEndpoint(c.device), reattach);
}

}  // namespace

UsbCamera::UsbCamera(libusb_device_handle* handle, uint8_t bulkIn, bool reattachDriver)
    : handle_(handle), bulkIn_(bulkIn), reattachDriver_(reattachDriver) {}

UsbCamera::~UsbCamera() {
    close();
}

void UsbCamera::close() {
    std::lock_guard lock(io_);
    dead_ = true;
    if (handle_ == nullptr) return;
    libusb_release_interface(handle_, 0);
    if (reattachDriver_) libusb_attach_kernel_driver(handle_, 0);
    libusb_close(handle_);
    handle_ = nullptr;
}

bool UsbCamera::failed(int result) {
    if (result == LIBUSB_ERROR_NO_DEVICE) dead_ = true;
    return false;
}

bool UsbCamera::readRegisters(const IO_BLOCK& block, uint8_t* data, uint32_t& returned) {
    std::lock_guard lock(io_);
    returned = 0;
    if (dead_) return false;
    const int r = libusb_control_transfer(
        handle_, kVendorIn, requestFor(block), static_cast<uint16_t>(block.uOffset),
        static_cast<uint16_t>(block.uIndex), data, static_cast<uint16_t>(block.uLength),
        backend().timeoutMs.load(std::memory_order_relaxed));
    if (r < 0) return failed(r);
    returned = static_cast<uint32_t>(r);
    return true;
}

bool UsbCamera::writeRegisters(const IO_BLOCK& block) {
    std::lock_guard lock(io_);
    if (dead_) return false;
    const int r = libusb_control_transfer(
        handle_, kVendorOut, requestFor(block), static_cast<uint16_t>(block.uOffset),
        static_cast<uint16_t>(block.uIndex), block.pbyData, static_cast<uint16_t>(block.uLength),
        backend().timeoutMs.load(std::memory_order_relaxed));
    if (r < 0) return failed(r);
    return static_cast<uint32_t>(r) == block.uLength;
}

bool UsbCamera::descriptor(DEVICE_DESCRIPTOR& out) {
    std::lock_guard lock(io_);
    if (dead_) return false;
    libusb_device_descriptor d{};
    const int r = libusb_get_device_descriptor(libusb_get_device(handle_), &d);
    if (r != LIBUSB_SUCCESS) return failed(r);
    out = {d.idVendor, d.idProduct, d.bcdDevice, 0};
    return true;
}

bool UsbCamera::bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) {
    std::lock_guard lock(io_);
    transferred = 0;
    if (dead_ || bulkIn_ == 0) return false;
    const unsigned timeout = backend().timeoutMs.load(std::memory_order_relaxed);
    while (transferred < length) {
        const int chunk = static_cast<int>(
            std::min<uint32_t>(length - transferred, static_cast<uint32_t>(kBulkTransferBytes)));
        int got = 0;
        const int r =
            libusb_bulk_transfer(handle_, bulkIn_, data + transferred, chunk, &got, timeout);
        transferred += static_cast<uint32_t>(std::clamp(got, 0, chunk));
        if (r != LIBUSB_SUCCESS) return failed(r);
        if (got < chunk) break;  // a short packet ends the read
    }
    return true;
}

std::shared_ptr<UsbCamera> openUsbCamera(int slot, const std::function<bool(int)>& slotHeld) {
    const UsbIdList list = currentList();
    if (list.ids.empty()) return nullptr;
    // The camera's place among the slots nobody else holds.
    int place = 0;
    for (int n = 0; n < slot; ++n)
        if (!slotHeld(n)) ++place;
    if (slotHeld(slot)) return nullptr;
    libusb_context* ctx = context();
    if (ctx == nullptr) return nullptr;
    libusb_device** devices = nullptr;
    if (libusb_get_device_list(ctx, &devices) < 0) return nullptr;
    std::shared_ptr<UsbCamera> camera;
    const std::vector<Candidate> cameras = listedCameras(devices, list);
    if (place < static_cast<int>(cameras.size())) camera = openCandidate(cameras[place]);
    libusb_free_device_list(devices, 1);
    return camera;
}

}  // namespace platform::detail
