// Shared helpers of the driver tests: a scripted in-process device that records what the driver
// sends, and a fixture that gives every test a fresh driver on a virtual clock.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <vector>

#include "driver_internal.h"
#include "platform.h"
#include "zentdrv.h"

namespace zentdrv::testing {

// Status reads ready, except once right after a bulk read (the drain), which also ends the frame:
// the next bulk read serves the next frame. `status` replaces that script when set.
struct ScriptedDevice : platform::UsbDevice {
    bool readRegister(uint32_t reg, uint8_t* data, uint32_t) override {
        ++registerReads;
        data[0] = 0;
        if (reg == kRegDrain) ++drainReads;
        if (reg != kRegStatus) return true;
        ++statusReads;
        if (statusFails) return false;
        if (status)
            data[0] = static_cast<uint8_t>(status());
        else if (draining)
            draining = false, ++frames, offset = 0;
        else
            data[0] = kReadyBit;
        return true;
    }
    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) override {
        writes.push_back({reg, std::vector<uint8_t>(data, data + length)});
        return writes.size() != failWriteAt;
    }
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override {
        ++descriptorRequests;
        out.usVendorId = vendorId;
        out.usProductId = productId;
        return true;
    }
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) override {
        bulkLengths.push_back(length);
        for (uint32_t i = 0; i < length; ++i) data[i] = byteAt(frames, offset + i);
        offset += length;
        transferred = length;
        draining = true;
        return true;
    }
    std::vector<uint8_t> controlBytes() const {
        std::vector<uint8_t> out;
        for (const auto& [reg, data] : writes)
            if (reg == kRegControl) out.push_back(data.at(0));
        return out;
    }

    uint16_t vendorId = 0x1234, productId = 0x5678;
    std::function<uint8_t(uint64_t frame, uint64_t offset)> byteAt = [](uint64_t, uint64_t) {
        return uint8_t{0};
    };
    std::function<int()> status;
    bool statusFails = false;
    size_t failWriteAt = 0;  // 1-based number of the write that fails (0: none)

    std::vector<std::pair<uint32_t, std::vector<uint8_t>>> writes;
    std::vector<uint32_t> bulkLengths;
    uint64_t registerReads = 0, statusReads = 0, drainReads = 0, descriptorRequests = 0;
    uint64_t frames = 0;
    bool draining = false;
    uint64_t offset = 0;
};

// A fresh driver (blocks released, record zeroed, devices detached) on a virtual clock.
class DriverTest : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::installClock(&clock);
        reset();
    }
    void TearDown() override {
        reset();
        platform::installClock(nullptr);
    }
    static void reset() {
        EndCapture();
        for (int i = 0; i < 127; ++i) platform::detachUsbDevice(i);
        std::memset(static_cast<void*>(&driverState()), 0, sizeof(DriverState));
    }
    std::shared_ptr<ScriptedDevice> attach(int index = 0) {
        auto device = std::make_shared<ScriptedDevice>();
        platform::attachUsbDevice(index, device);
        return device;
    }

    platform::VirtualClock clock;
};

}  // namespace zentdrv::testing
