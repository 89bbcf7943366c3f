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

// A device that answers the usbscan calls by script. The status register reads ready except
// right after a bulk read, where it reads clear once (the drain); that clear read also ends the
// frame, so the next bulk read starts a new one.
class ScriptedDevice : public platform::UsbDevice {
  public:
    struct Write {
        uint32_t reg;
        std::vector<uint8_t> data;
    };

    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) override {
        ++registerReads;
        lastReadLength = length;
        if (reg == RegStatus) {
            ++statusReads;
            if (statusFails && statusReads > statusFailAfter) return false;
            if (status) {
                data[0] = static_cast<uint8_t>(status(statusReads));
                return true;
            }
            if (draining) {
                draining = false;
                ++frames;
                offset = 0;
                data[0] = 0;
                return true;
            }
            data[0] = kReadyBit;
            return true;
        }
        if (reg == RegDrain) ++drainReads;
        data[0] = 0;
        return true;
    }

    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) override {
        writes.push_back({reg, std::vector<uint8_t>(data, data + length)});
        if (failWriteAt != 0 && writes.size() == failWriteAt) return false;
        return true;
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

    // Control bytes written, in order.
    std::vector<uint8_t> controlBytes() const {
        std::vector<uint8_t> out;
        for (const Write& w : writes)
            if (w.reg == RegControl) out.push_back(w.data.at(0));
        return out;
    }

    uint16_t vendorId = 0x1234;
    uint16_t productId = 0x5678;
    // Byte `offset` of frame `frame` (frames counted from 0).
    std::function<uint8_t(uint64_t frame, uint64_t offset)> byteAt = [](uint64_t, uint64_t) {
        return uint8_t{0};
    };
    // When set, the value of status read number n (from 1); replaces the drain script.
    std::function<int(uint64_t n)> status;
    bool statusFails = false;
    uint64_t statusFailAfter = 0;
    size_t failWriteAt = 0;  // 1-based number of the write that fails (0: none)

    std::vector<Write> writes;
    std::vector<uint32_t> bulkLengths;
    uint64_t registerReads = 0;
    uint64_t statusReads = 0;
    uint64_t drainReads = 0;
    uint64_t descriptorRequests = 0;
    uint64_t frames = 0;
    uint32_t lastReadLength = 0;

  private:
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
    // Opens the device as the driver's camera without the InitEvCam sequence.
    static void open() { ASSERT_EQ(OpenCamera(0, 0), 1); }

    platform::VirtualClock clock;
};

}  // namespace zentdrv::testing
