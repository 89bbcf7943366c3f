// Register access, bulk reads and the device search over the still-image device files.
#include <cstdio>
#include <cstring>

#include "driver_internal.h"
#include "zentdrv.h"

namespace zentdrv {

namespace {

constexpr int kDeviceNames = 127;  // \\.\Usbscan0 .. \\.\Usbscan126

// Refills the one request block of the driver.
IO_BLOCK* fillBlock(uint32_t code, uint32_t length, uint8_t* data) {
    IO_BLOCK& block = driverState().ioBlock;
    block.uOffset = code & 0xFF;
    block.uLength = length & 0xFF;
    block.pbyData = data;
    block.uIndex = 0;
    return &block;
}

}  // namespace

int OpenCamera(int vendorId, int productId) {
    DriverState& s = driverState();
    for (int i = 0; i < kDeviceNames; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "\\\\.\\Usbscan%d", i);
        s.deviceHandle =
            CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (s.deviceHandle == INVALID_HANDLE_VALUE) continue;
        if (MatchDescriptor(vendorId, productId)) return 1;
        CloseHandle(s.deviceHandle);
        // A closed handle is never used again; forget it so no later close can hit a reused one.
        s.deviceHandle = INVALID_HANDLE_VALUE;
    }
    return 0;
}

int CloseCamera() {
    DriverState& s = driverState();
    const BOOL result = CloseHandle(s.deviceHandle);
    s.deviceHandle = INVALID_HANDLE_VALUE;
    return result;
}

int MatchDescriptor(int vendorId, int productId) {
    if (vendorId == 0 && productId == 0) return 1;
    DEVICE_DESCRIPTOR descriptor{};
    descriptor.usVendorId = 0;
    descriptor.usProductId = 0;
    DWORD returned = 0;
    // A failed call leaves the cleared words, which do not match.
    DeviceIoControl(driverState().deviceHandle, IOCTL_GET_DEVICE_DESCRIPTOR, &descriptor,
                    sizeof descriptor, &descriptor, sizeof descriptor, &returned, nullptr);
    return descriptor.usVendorId == static_cast<uint16_t>(vendorId) &&
           descriptor.usProductId == static_cast<uint16_t>(productId);
}

int ReadRegister(uint32_t code, uint32_t length, uint8_t* buffer) {
    IO_BLOCK* block = fillBlock(code, length, buffer);
    DWORD returned = 0;
    return DeviceIoControl(driverState().deviceHandle, IOCTL_READ_REGISTERS, block,
                           sizeof(IO_BLOCK), buffer, length, &returned, nullptr);
}

int WriteRegister(uint32_t code, uint32_t length, uint8_t* data) {
    IO_BLOCK* block = fillBlock(code, length, data);
    DWORD returned = 0;
    return DeviceIoControl(driverState().deviceHandle, IOCTL_WRITE_REGISTERS, block,
                           sizeof(IO_BLOCK), nullptr, 0, &returned, nullptr);
}

int ReadStatus() {
    uint8_t value = 0;
    return ReadRegister(kRegStatus, 1, &value) ? value : -1;
}

int ReadDrain() {
    uint8_t value = 0;
    return ReadRegister(kRegDrain, 1, &value) ? value : -1;
}

int WriteControl(uint8_t value) {
    DriverState& s = driverState();
    s.controlShadow = value;  // kept also when the write fails
    uint8_t data = value;
    return WriteRegister(kRegControl, 1, &data);
}

int ControlShadow() {
    return driverState().controlShadow;
}

int BulkRead(uint8_t* buffer, uint32_t length, uint8_t transferMode) {
    HANDLE device = driverState().deviceHandle;
    uint8_t setup[8] = {0, 0, transferMode, 0, 0, 0, 0, 0};
    auto announce = [&](uint32_t count) {
        setup[4] = static_cast<uint8_t>(count);
        setup[5] = static_cast<uint8_t>(count >> 8);
        setup[6] = static_cast<uint8_t>(count >> 16);
        setup[7] = static_cast<uint8_t>(count >> 24);
        return WriteRegister(kRegBulkSetup, sizeof setup, setup);
    };
    uint32_t remaining = length;
    while (remaining > kBulkChunk) {
        if (!announce(kBulkChunk)) return 0;
        OVERLAPPED overlapped{};
        DWORD got = 0;
        if (!ReadFile(device, buffer, kBulkChunk, &got, &overlapped)) return 0;
        buffer += kBulkChunk;
        remaining -= kBulkChunk;
    }
    if (!announce(remaining)) return 0;
    OVERLAPPED overlapped{};
    DWORD got = 0;
    return ReadFile(device, buffer, remaining, &got, &overlapped);
}

int WaitReady(long limit) {
    const DWORD start = GetTickCount();
    for (long i = 0; i < limit; ++i) {
        const int status = ReadStatus();
        if (status < 0) return -1;
        if (status & kReadyBit) return 1;
        if (GetTickCount() - start >= kWaitLimitMs) break;  // a camera that answers too slowly
    }
    return 0;
}

}  // namespace zentdrv

int GLGpioWrite(unsigned char value) {
    uint8_t data = value;
    return zentdrv::WriteRegister(zentdrv::kRegGpioData, 1, &data);
}

int GLGpioOE(unsigned char value) {
    uint8_t data = value;
    return zentdrv::WriteRegister(zentdrv::kRegGpioOE, 1, &data);
}
