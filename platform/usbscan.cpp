// Still-image device files: \\.\Usbscan0 .. \\.\Usbscan126 resolve to a device attached
// in-process or, failing that, to the simulator's Unix socket of that number, or else to a listed
// camera on the USB bus.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

#include "platform.h"
#include "platform_state.h"
#include "usbscan_socket.h"

namespace platform {
namespace {

using detail::OpenDevice;
namespace proto = usbscan;

detail::UsbscanState& usb() {
    return detail::state().usbscan;
}

// The slot number of a device name, or -1 for any other name. The prefix is matched without
// regard to case, as Windows does; the number is plain decimal without leading zeros.
int slotOfName(const char* name) {
    if (name == nullptr) return -1;
    static constexpr char kPrefix[] = "\\\\.\\usbscan";
    const size_t prefixLength = sizeof kPrefix - 1;
    for (size_t i = 0; i < prefixLength; ++i) {
        const char c = name[i];
        if (c == '\0') return -1;
        const char lower = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        if (lower != kPrefix[i]) return -1;
    }
    const char* digits = name + prefixLength;
    if (digits[0] < '0' || digits[0] > '9') return -1;
    if (digits[0] == '0' && digits[1] != '\0') return -1;
    int slot = 0;
    for (const char* p = digits; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9') return -1;
        slot = slot * 10 + (*p - '0');
        if (slot >= detail::kUsbscanSlots) return -1;
    }
    return slot;
}

HANDLE handleOf(uintptr_t key) {
    return reinterpret_cast<HANDLE>(key);
}

// The open device behind a handle, or null. For an in-process device, also null once the
// device was detached or unplugged: an unplugged camera fails every call.
std::shared_ptr<OpenDevice> lookup(HANDLE handle) {
    auto& s = usb();
    std::lock_guard lock(s.mutex);
    const auto key = reinterpret_cast<uintptr_t>(handle);
    const auto& open = s.open[key & (detail::kMaxOpenDevices - 1)];
    if (!open || open->key != key) return nullptr;
    if (open->device && (s.attached[open->slot] != open->device || !open->device->connected()))
        return nullptr;
    return open;
}

// One request over an open socket; a broken exchange marks the handle dead for good.
bool socketCall(OpenDevice& open, const proto::Request& request, const void* sendData,
                void* replyData, uint32_t replyCapacity, uint32_t& replyLength) {
    std::lock_guard lock(open.io);
    replyLength = 0;
    if (open.dead) return false;
    bool ok = false;
    if (!detail::exchange(open.fd, request, sendData, replyData, replyCapacity, replyLength, ok,
                          usb().timeoutMs.load(std::memory_order_relaxed))) {
        open.dead = true;
        replyLength = 0;
        return false;
    }
    return ok;
}

// A request to the simulated camera.
proto::Request requestFor(proto::Op op, uint32_t reg = 0, uint32_t length = 0) {
    proto::Request request;
    request.op = static_cast<uint8_t>(op);
    request.reg = reg;
    request.length = length;
    return request;
}

void setReturned(LPDWORD out, DWORD value) {
    if (out != nullptr) *out = value;
}

BOOL readRegisters(OpenDevice& open, const IO_BLOCK& block, LPVOID out, DWORD outSize,
                   LPDWORD returned) {
    const uint32_t length = block.uLength;
    if (length > proto::kMaxRegisterBytes || length > outSize) return FALSE;
    if (length > 0 && out == nullptr) return FALSE;
    auto* data = static_cast<uint8_t*>(out);
    if (open.usb) {
        uint32_t got = 0;
        if (!open.usb->readRegisters(block, data, got)) return FALSE;
        setReturned(returned, got);
        return TRUE;
    }
    if (open.device) {
        if (!open.device->readRegister(block.uOffset, data, length)) return FALSE;
        setReturned(returned, length);
        return TRUE;
    }
    const auto request = requestFor(proto::Op::ReadRegister, block.uOffset, length);
    uint32_t got = 0;
    if (!socketCall(open, request, nullptr, data, length, got)) return FALSE;
    setReturned(returned, got);
    return TRUE;
}

BOOL writeRegisters(OpenDevice& open, const IO_BLOCK& block, LPDWORD returned) {
    const uint32_t length = block.uLength;
    if (length > proto::kMaxRegisterBytes) return FALSE;
    if (length > 0 && block.pbyData == nullptr) return FALSE;
    if (open.usb) {
        if (!open.usb->writeRegisters(block)) return FALSE;
        setReturned(returned, 0);
        return TRUE;
    }
    if (open.device) {
        if (!open.device->writeRegister(block.uOffset, block.pbyData, length)) return FALSE;
        setReturned(returned, 0);
        return TRUE;
    }
    const auto request = requestFor(proto::Op::WriteRegister, block.uOffset, length);
    uint32_t got = 0;
    if (!socketCall(open, request, block.pbyData, nullptr, 0, got)) return FALSE;
    setReturned(returned, 0);
    return TRUE;
}

BOOL readDescriptor(OpenDevice& open, LPVOID out, DWORD outSize, LPDWORD returned) {
    if (out == nullptr || outSize < sizeof(DEVICE_DESCRIPTOR)) return FALSE;
    DEVICE_DESCRIPTOR descriptor{};
    if (open.usb) {
        if (!open.usb->descriptor(descriptor)) return FALSE;
    } else if (open.device) {
        if (!open.device->deviceDescriptor(descriptor)) return FALSE;
    } else {
        const auto request = requestFor(proto::Op::Descriptor);
        uint32_t got = 0;
        if (!socketCall(open, request, nullptr, &descriptor, sizeof descriptor, got)) return FALSE;
        if (got != sizeof descriptor) return FALSE;
    }
    std::memcpy(out, &descriptor, sizeof descriptor);
    setReturned(returned, sizeof descriptor);
    return TRUE;
}

// Whether an in-process device or a simulator socket holds the slot: the bus's cameras take
// the others.
bool slotHeld(int slot) {
    {
        auto& s = usb();
        std::lock_guard lock(s.mutex);
        if (s.attached[slot]) return true;
    }
    struct stat info;
    return ::stat(usbscanSocketPath(slot).c_str(), &info) == 0 && S_ISSOCK(info.st_mode);
}

}  // namespace

void attachUsbDevice(int index, std::shared_ptr<UsbDevice> device) {
    if (index < 0 || index >= detail::kUsbscanSlots) return;
    auto& s = usb();
    std::lock_guard lock(s.mutex);
    s.attached[index] = std::move(device);
}

void detachUsbDevice(int index) {
    attachUsbDevice(index, nullptr);
}

void restrictUsbscan(int index) {
    usb().onlySlot.store(index < 0 ? -1 : index);
}

UsbscanSource usbscanSource(HANDLE device) {
    const auto open = lookup(device);
    if (!open) return UsbscanSource::None;
    if (open->device) return UsbscanSource::InProcess;
    return open->fd >= 0 ? UsbscanSource::Simulator : UsbscanSource::Usb;
}

std::string usbscanSocketPath(int index) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::string dir = (runtime != nullptr && runtime[0] != '\0')
                          ? std::string(runtime) + "/usbscan"
                          : "/tmp/usbscan-" + std::to_string(::getuid());
    return dir + "/" + std::to_string(index);
}

void setUsbscanTimeout(uint32_t milliseconds) {
    usb().timeoutMs.store(milliseconds == 0 ? 3000 : milliseconds, std::memory_order_relaxed);
    usb().libusb.timeoutMs.store(milliseconds == 0 ? 5000 : milliseconds,
                                 std::memory_order_relaxed);
}

}  // namespace platform

extern "C" {

HANDLE CreateFileA(LPCSTR fileName, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE) {
    using namespace platform;
    const int slot = slotOfName(fileName);
    if (slot < 0) return INVALID_HANDLE_VALUE;
    const int only = usb().onlySlot.load();
    if (only != -1 && slot != only) return INVALID_HANDLE_VALUE;
    auto open = std::make_shared<OpenDevice>();
    open->slot = slot;
    auto& s = usb();
    {
        std::lock_guard lock(s.mutex);
        if (auto& device = s.attached[slot]) {
            if (!device->connected()) return INVALID_HANDLE_VALUE;
            open->device = device;
        }
    }
    if (!open->device) {
        open->fd = detail::connectUsbscanSocket(usbscanSocketPath(slot),
                                                s.timeoutMs.load(std::memory_order_relaxed));
        if (open->fd < 0) open->usb = detail::openUsbCamera(slot, slotHeld);
        if (open->fd < 0 && !open->usb) return INVALID_HANDLE_VALUE;
    }
    std::lock_guard lock(s.mutex);
    for (int tries = 0; tries < detail::kMaxOpenDevices; ++tries) {
        const uint32_t index = s.cursor++ & (detail::kMaxOpenDevices - 1);
        if (s.open[index]) continue;
        // Serial numbers start at 1, so no handle is 0 or INVALID_HANDLE_VALUE.
        if (++s.serial == (1u << 20)) s.serial = 1;
        open->key = static_cast<uintptr_t>(s.serial) << detail::kHandleIndexBits | index;
        s.open[index] = std::move(open);
        return handleOf(s.open[index]->key);
    }
    // Every entry is taken: too many open device files.
    if (open->fd >= 0) ::close(open->fd);
    return INVALID_HANDLE_VALUE;
}

BOOL CloseHandle(HANDLE object) {
    using namespace platform;
    std::shared_ptr<OpenDevice> open;
    {
        auto& s = usb();
        std::lock_guard lock(s.mutex);
        const auto key = reinterpret_cast<uintptr_t>(object);
        auto& entry = s.open[key & (detail::kMaxOpenDevices - 1)];
        if (!entry || entry->key != key) return FALSE;
        open = std::move(entry);
        entry.reset();
    }
    std::lock_guard lock(open->io);
    if (open->fd >= 0) {
        ::close(open->fd);
        open->fd = -1;
    }
    if (open->usb) open->usb->close();
    open->dead = true;
    return TRUE;
}

BOOL DeviceIoControl(HANDLE device, DWORD ioControlCode, LPVOID inBuffer, DWORD inBufferSize,
                     LPVOID outBuffer, DWORD outBufferSize, LPDWORD bytesReturned, LPOVERLAPPED) {
    using namespace platform;
    setReturned(bytesReturned, 0);
    const auto open = lookup(device);
    if (!open) return FALSE;
    switch (ioControlCode) {
        case IOCTL_READ_REGISTERS:
        case IOCTL_WRITE_REGISTERS: {
            if (inBuffer == nullptr || inBufferSize < sizeof(IO_BLOCK)) return FALSE;
            IO_BLOCK block;
            std::memcpy(&block, inBuffer, sizeof block);
            return ioControlCode == IOCTL_READ_REGISTERS
                       ? readRegisters(*open, block, outBuffer, outBufferSize, bytesReturned)
                       : writeRegisters(*open, block, bytesReturned);
        }
        case IOCTL_GET_DEVICE_DESCRIPTOR:
            return readDescriptor(*open, outBuffer, outBufferSize, bytesReturned);
        default:
            return FALSE;
    }
}

BOOL ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, LPDWORD bytesRead, LPOVERLAPPED) {
    using namespace platform;
    setReturned(bytesRead, 0);
    if (bytesToRead > 0 && buffer == nullptr) return FALSE;
    const auto open = lookup(file);
    if (!open) return FALSE;
    auto* data = static_cast<uint8_t*>(buffer);
    if (open->usb) {
        uint32_t transferred = 0;
        const bool ok = open->usb->bulkRead(data, bytesToRead, transferred);
        setReturned(bytesRead, transferred);
        return ok ? TRUE : FALSE;
    }
    if (open->device) {
        uint32_t transferred = 0;
        const bool ok = open->device->bulkRead(data, bytesToRead, transferred);
        setReturned(bytesRead, transferred < bytesToRead ? transferred : bytesToRead);
        return ok ? TRUE : FALSE;
    }
    const auto request =
        requestFor(usbscan::Op::BulkRead, 0,
                   bytesToRead < usbscan::kMaxBulkBytes ? bytesToRead : usbscan::kMaxBulkBytes);
    uint32_t got = 0;
    const bool ok = socketCall(*open, request, nullptr, data, request.length, got);
    setReturned(bytesRead, got);
    return ok ? TRUE : FALSE;
}

}  // extern "C"
