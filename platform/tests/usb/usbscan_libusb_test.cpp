// The libusb device files against the USB-level model of the camera: the requests on the wire,
// which devices take which slots, and failures (busy, timeout, short reads, unplugging).
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform.h"
#include "usb_bus.h"

namespace {

using usbtest::bus;
namespace fs = std::filesystem;

HANDLE openName(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

std::string slotName(int slot) {
    return "\\\\.\\Usbscan" + std::to_string(slot);
}

DEVICE_DESCRIPTOR descriptorOf(HANDLE h) {
    DEVICE_DESCRIPTOR d{};
    DWORD got = 0;
    if (!DeviceIoControl(h, IOCTL_GET_DEVICE_DESCRIPTOR, nullptr, 0, &d, sizeof d, &got, nullptr))
        return {};
    return d;
}

BOOL readRegisters(HANDLE h, uint32_t reg, uint8_t* data, uint32_t length, uint32_t index = 0,
                   DWORD* got = nullptr) {
    IO_BLOCK block{reg, length, data, index};
    DWORD returned = 0;
    const BOOL ok = DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, data, length,
                                    &returned, nullptr);
    if (got != nullptr) *got = returned;
    return ok;
}

BOOL writeRegisters(HANDLE h, uint32_t reg, std::vector<uint8_t> data, uint32_t index = 0) {
    IO_BLOCK block{reg, static_cast<ULONG>(data.size()), data.data(), index};
    DWORD returned = 0;
    return DeviceIoControl(h, IOCTL_WRITE_REGISTERS, &block, sizeof block, nullptr, 0, &returned,
                           nullptr);
}

// Tells the camera how many bytes the next bulk read takes.
BOOL announce(HANDLE h, uint32_t bytes) {
    return writeRegisters(
        h, camera::kRegBulkSetup,
        {0, 0, 0, 0, static_cast<uint8_t>(bytes), static_cast<uint8_t>(bytes >> 8),
         static_cast<uint8_t>(bytes >> 16), static_cast<uint8_t>(bytes >> 24)});
}

// Every test starts with fresh cameras, the given list and no other source of devices.
class UsbBackend : public ::testing::Test {
  protected:
    void SetUp() override {
        char pattern[] = "/tmp/usb-backend-test-XXXXXX";
        runtime_ = mkdtemp(pattern);
        setenv("XDG_RUNTIME_DIR", runtime_.c_str(), 1);
        setenv("DUOVUE_USB_IDS", "1d5c:0a15,1d5c:0a16", 1);
        bus().foreign->reset();
        bus().second->reset();
        bus().camera->reset();
        platform::setUsbscanTimeout(0);
    }
    void TearDown() override {
        for (HANDLE h : open_) CloseHandle(h);
        for (int i = 0; i < 127; ++i) platform::detachUsbDevice(i);
        platform::setUsbscanTimeout(0);
        fs::remove_all(runtime_);
    }
    HANDLE keep(HANDLE h) {
        if (h != INVALID_HANDLE_VALUE) open_.push_back(h);
        return h;
    }
    // Opens every device file there is; returns the product id behind each slot (0: none).
    std::vector<uint16_t> products() {
        std::vector<uint16_t> out;
        for (int slot = 0; slot < 127; ++slot) {
            HANDLE h = openName(slotName(slot).c_str());
            out.push_back(h == INVALID_HANDLE_VALUE ? 0 : descriptorOf(h).usProductId);
            if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        }
        while (!out.empty() && out.back() == 0) out.pop_back();
        return out;
    }

    std::string runtime_;
    std::vector<HANDLE> open_;
};

TEST_F(UsbBackend, RegisterRequestsAndTheDescriptorAreTheStillImageDriversCalls) {
    HANDLE h = keep(openName("\\\\.\\Usbscan1"));  // port 3, behind the camera at port 2
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const DEVICE_DESCRIPTOR d = descriptorOf(h);
    EXPECT_EQ(d.usVendorId, camera::kDefaultVendorId);
    EXPECT_EQ(d.usProductId, camera::kDefaultProductId);
    EXPECT_EQ(d.usBcdDevice, 0x0100);
    EXPECT_EQ(d.usLanguageId, 0);

    uint8_t status = 0;
    DWORD got = 0;
    ASSERT_TRUE(readRegisters(h, camera::kRegStatus, &status, 1, 0, &got));
    EXPECT_EQ(got, 1u);
    EXPECT_EQ(status & camera::kReadyBit, camera::kReadyBit);
    ASSERT_TRUE(writeRegisters(h, camera::kRegGpioData, {0x5A, 0xA5}, 7));
    uint8_t back[2] = {};
    ASSERT_TRUE(readRegisters(h, camera::kRegGpioData, back, 2, 0x1234, &got));
    EXPECT_EQ(got, 2u);
    EXPECT_EQ(back[0], 0x5A);
    ASSERT_TRUE(writeRegisters(h, camera::kRegControl, {0x02}));
    ASSERT_TRUE(writeRegisters(h, 0x1FF86, {}));  // no data: the single-byte request, 16-bit value

    const auto controls = bus().camera->controls();
    ASSERT_EQ(controls.size(), 5u);
    const usbtest::ControlRequest want[] = {{0xC0, 0x0C, 0x86, 0, 1},
                                            {0x40, 0x04, 0x8B, 7, 2},
                                            {0xC0, 0x04, 0x8B, 0x1234, 2},
                                            {0x40, 0x0C, 0x87, 0, 1},
                                            {0x40, 0x0C, 0xFF86, 0, 0}};
    for (size_t i = 0; i < controls.size(); ++i) {
        EXPECT_EQ(controls[i].requestType, want[i].requestType) << i;
        EXPECT_EQ(controls[i].request, want[i].request) << i;
        EXPECT_EQ(controls[i].value, want[i].value) << i;
        EXPECT_EQ(controls[i].index, want[i].index) << i;
        EXPECT_EQ(controls[i].length, want[i].length) << i;
    }
    EXPECT_EQ(bus().second->controls().size(), 0u);
}

TEST_F(UsbBackend, ReadFileTakesTheHighestBulkInEndpointInAsManyTransfersAsNeeded) {
    HANDLE h = keep(openName("\\\\.\\Usbscan1"));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    writeRegisters(h, camera::kRegControl, {0x07});  // mode 3: the table, then the store
    // The table and the whole store in one read: more than one transfer's worth.
    const uint32_t size = camera::kTableBytes + camera::kStoreBytes;
    ASSERT_TRUE(announce(h, size));
    std::vector<uint8_t> data(size + 100, 0xEE);
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h, data.data(), size + 100, &got, nullptr));
    EXPECT_EQ(got, size);  // the camera's short packet ended the read
    EXPECT_EQ(data[size], 0xEE);
    const auto endpoints = bus().camera->bulkEndpoints();
    ASSERT_GE(endpoints.size(), 2u);
    for (uint8_t e : endpoints) EXPECT_EQ(e, 0x82);
}

TEST_F(UsbBackend, ShortReadsAndTimeoutsReportWhatCame) {
    HANDLE h = keep(openName("\\\\.\\Usbscan1"));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::vector<uint8_t> data(61440);
    DWORD got = 0;

    bus().camera->camera().setShortBulkReads(1000);
    ASSERT_TRUE(announce(h, 61440));
    EXPECT_TRUE(ReadFile(h, data.data(), 61440, &got, nullptr));
    EXPECT_EQ(got, 60440u);
    bus().camera->camera().setShortBulkReads(0);

    // The camera sends 5000 bytes and then nothing: the read fails with those 5000.
    platform::setUsbscanTimeout(200);
    bus().camera->stallBulkAfter(5000);
    ASSERT_TRUE(announce(h, 61440));
    EXPECT_FALSE(ReadFile(h, data.data(), 61440, &got, nullptr));
    EXPECT_EQ(got, 5000u);
    // A timeout is not a lost camera: the handle still works.
    uint8_t status = 0;
    EXPECT_TRUE(readRegisters(h, camera::kRegStatus, &status, 1));
}

TEST_F(UsbBackend, AnUnpluggedCameraFailsEveryLaterCallAtOnce) {
    HANDLE h = keep(openName("\\\\.\\Usbscan1"));
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint8_t status = 0;
    ASSERT_TRUE(readRegisters(h, camera::kRegStatus, &status, 1));
    bus().camera->camera().vanish();
    EXPECT_FALSE(readRegisters(h, camera::kRegStatus, &status, 1));
    // Plugged back in, the old handle stays dead and sends nothing.
    bus().camera->camera().plugIn();
    const uint64_t requests = bus().camera->requests();
    std::vector<uint8_t> data(64);
    DWORD got = 0;
    EXPECT_FALSE(readRegisters(h, camera::kRegStatus, &status, 1));
    EXPECT_FALSE(writeRegisters(h, camera::kRegControl, {0x02}));
    EXPECT_FALSE(ReadFile(h, data.data(), 64, &got, nullptr));
    EXPECT_EQ(descriptorOf(h).usVendorId, 0);
    EXPECT_EQ(bus().camera->requests(), requests);
    EXPECT_TRUE(CloseHandle(h));
    open_.clear();
    // A new open reaches the camera again.
    HANDLE again = keep(openName("\\\\.\\Usbscan1"));
    ASSERT_NE(again, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(readRegisters(again, camera::kRegStatus, &status, 1));
}

TEST_F(UsbBackend, ListedCamerasTakeTheFreeSlotsInPortOrderAndNothingElseIsOpened) {
    // Port 2 before port 3, whatever the order of the list.
    EXPECT_EQ(products(), (std::vector<uint16_t>{0x0A16, 0x0A15}));
    // An in-process device and a simulator socket keep their slots; the cameras move on.
    struct Fake : platform::UsbDevice {
        bool readRegister(uint32_t, uint8_t*, uint32_t) override { return true; }
        bool writeRegister(uint32_t, const uint8_t*, uint32_t) override { return true; }
        bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override {
            out = {1, 0x0BBB, 0, 0};
            return true;
        }
        bool bulkRead(uint8_t*, uint32_t, uint32_t& n) override { return n = 0, true; }
    };
    platform::attachUsbDevice(0, std::make_shared<Fake>());
    fs::create_directories(runtime_ + "/usbscan");
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string path = platform::usbscanSocketPath(2);
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    EXPECT_EQ(products(), (std::vector<uint16_t>{0x0BBB, 0x0A16, 0, 0x0A15}));
    ::close(listener);
    // Only the listed cameras: the one named alone, then none at all.
    platform::detachUsbDevice(0);
    fs::remove(path);
    setenv("DUOVUE_USB_IDS", "1d5c:0a15", 1);
    EXPECT_EQ(products(), (std::vector<uint16_t>{0x0A15}));
    setenv("DUOVUE_USB_IDS", "", 1);
    EXPECT_EQ(products(), (std::vector<uint16_t>{}));
    EXPECT_EQ(bus().foreign->opens(), 0);
    EXPECT_EQ(bus().foreign->requests(), 0u);
}

TEST_F(UsbBackend, ACameraHeldByAnotherProgramIsReportedOnce) {
    bus().camera->refuseClaim(true);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(openName("\\\\.\\Usbscan1"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(openName("\\\\.\\Usbscan1"), INVALID_HANDLE_VALUE);
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("duovue: the camera 1d5c:0a15 on bus 1 port 3 is busy"), std::string::npos)
        << err;
    EXPECT_EQ(err.find("busy"), err.rfind("busy")) << err;
    bus().camera->refuseClaim(false);
    EXPECT_NE(keep(openName("\\\\.\\Usbscan1")), INVALID_HANDLE_VALUE);
}

TEST_F(UsbBackend, AMalformedListFileIsReportedByLineAndTheRestStillCounts) {
    const std::string config = runtime_ + "/config";
    fs::create_directories(config + "/duovue");
    {
        std::FILE* f = std::fopen((config + "/duovue/usb-ids").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fputs("# my camera\n\n1d5c:0a15x\n  1D5C:0A15  # the Duovue\n", f);
        std::fclose(f);
    }
    unsetenv("DUOVUE_USB_IDS");
    setenv("XDG_CONFIG_HOME", config.c_str(), 1);
    ::testing::internal::CaptureStderr();
    const auto found = products();
    const std::string err = ::testing::internal::GetCapturedStderr();
    unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(found, (std::vector<uint16_t>{0x0A15}));
    const std::string want = config + "/duovue/usb-ids:3: not a vendor:product pair\n";
    EXPECT_EQ(err, want);  // once, however many slots were tried
}

}  // namespace
