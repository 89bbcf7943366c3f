// The register and bulk sequences a host sends the camera, written out byte for byte so the
// camera can be tested before (and independently of) the real driver.
#pragma once

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform.h"

namespace camera::testing {

inline constexpr uint32_t kPollLimit = 4500000;

class WireDriver {
  public:
    ~WireDriver() { close(); }

    bool open(int slot) {
        char name[32];
        std::snprintf(name, sizeof name, "\\\\.\\Usbscan%d", slot);
        handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, 0, nullptr);
        return handle != INVALID_HANDLE_VALUE;
    }
    void close() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        handle = INVALID_HANDLE_VALUE;
    }

    bool readRegister(uint8_t reg, uint8_t* data, uint32_t length) {
        IO_BLOCK block{reg, length, nullptr, 0};
        DWORD returned = 0;
        return DeviceIoControl(handle, IOCTL_READ_REGISTERS, &block, sizeof block, data, length,
                               &returned, nullptr) != 0;
    }
    bool writeRegister(uint8_t reg, const uint8_t* data, uint32_t length) {
        IO_BLOCK block{reg, length, const_cast<uint8_t*>(data), 0};
        DWORD returned = 0;
        return DeviceIoControl(handle, IOCTL_WRITE_REGISTERS, &block, sizeof block, nullptr, 0,
                               &returned, nullptr) != 0;
    }
    int readStatus() {
        uint8_t v = 0;
        return readRegister(0x86, &v, 1) ? v : -1;
    }
    bool writeControl(uint8_t value) {
        shadow = value;
        return writeRegister(0x87, &value, 1);
    }
    bool descriptor(DEVICE_DESCRIPTOR& d) {
        DWORD returned = 0;
        return DeviceIoControl(handle, IOCTL_GET_DEVICE_DESCRIPTOR, &d, sizeof d, &d, sizeof d,
                               &returned, nullptr) != 0;
    }

    // Polls the ready bit: the number of reads it took, -1 on a failed read, -2 on running out.
    int64_t waitReady(uint64_t limit) {
        for (uint64_t i = 1; i <= limit; ++i) {
            const int s = readStatus();
            if (s < 0) return -1;
            if (s & 0x20) return static_cast<int64_t>(i);
        }
        return -2;
    }

    bool applyMode(int bit0, int bit2, int bit3) {
        const uint8_t c = shadow & 0xF0;
        if (!writeControl(c | 0x09) || !writeControl(c | 0x09)) return false;
        const uint8_t m = static_cast<uint8_t>(((bit3 << 3) | (bit2 << 2) | bit0) ^ 0x0B);
        if (!writeControl(c | m)) return false;
        const int64_t polls = waitReady(kPollLimit + 1);
        if (polls == -1) return false;
        if (!writeControl(static_cast<uint8_t>(c | ((1 - bit3) << 3) | (bit2 << 2)))) return false;
        return polls > 0;
    }
    bool applyModeCode(int code) { return applyMode((code >> 2) & 1, (code >> 1) & 1, code & 1); }

    // Announced reads of at most 61440 bytes; `reads` counts them.
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t* delivered = nullptr) {
        uint32_t total = 0;
        for (;;) {
            const uint32_t count = length > 61440 ? 61440 : length;
            const uint8_t setup[8] = {0,
                                      0,
                                      0,
                                      0,
                                      static_cast<uint8_t>(count),
                                      static_cast<uint8_t>(count >> 8),
                                      static_cast<uint8_t>(count >> 16),
                                      static_cast<uint8_t>(count >> 24)};
            if (!writeRegister(0x82, setup, 8)) return false;
            DWORD got = 0;
            OVERLAPPED overlapped{};
            const BOOL ok = ReadFile(handle, data, count, &got, &overlapped);
            ++reads;
            total += got;
            if (delivered) *delivered = total;
            if (!ok) return false;
            if (length <= 61440) return true;
            data += count;
            length -= count;
        }
    }

    // One frame: ready wait, bulk data, drain; `drainPolls` is the number of drain reads.
    bool transferFrame(std::vector<uint8_t>& wire, int width, int height,
                       uint32_t* drainReads = nullptr) {
        wire.assign(static_cast<size_t>(width) * height, 0);
        if (waitReady(kPollLimit) == -1) return false;
        if (!bulkRead(wire.data(), static_cast<uint32_t>(wire.size()))) return false;
        uint32_t counter = kPollLimit;
        int s = readStatus();
        if (s < 0) return false;
        while (s & 0x20) {
            uint8_t d = 0;
            if (!readRegister(0x84, &d, 1)) return false;
            if (--counter == 0) break;
            s = readStatus();
            if (s < 0) return false;
        }
        if (drainReads) *drainReads = kPollLimit - counter;
        return counter > 0;
    }

    HANDLE handle = INVALID_HANDLE_VALUE;
    uint8_t shadow = 0;
    uint32_t reads = 0;
};

// Unpacks wire rows into sample levels (column order, complement removed).
inline std::vector<uint8_t> unpackFrame(const std::vector<uint8_t>& wire, int width, int height) {
    std::vector<uint8_t> levels(wire.size());
    const int half = width / 2;
    for (int r = 0; r < height; ++r)
        for (int p = 0; p < half; ++p) {
            levels[r * width + 2 * p] = static_cast<uint8_t>(255 - wire[r * width + p]);
            levels[r * width + 2 * p + 1] = static_cast<uint8_t>(255 - wire[r * width + half + p]);
        }
    return levels;
}

}  // namespace camera::testing
