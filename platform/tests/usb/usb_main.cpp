// Runs the tests inside umockdev's mocked system: the program starts itself again with the
// preload library in front when it is not there yet, then builds the bus.
#include <gtest/gtest.h>
#include <umockdev.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "usb_bus.h"

namespace usbtest {
namespace {

UMockdevTestbed* gBed = nullptr;
UsbBus gBus;

class BusEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        gBed = umockdev_testbed_new();
        gBus.foreign = std::make_unique<UsbCameraModel>(gBed, 1, kForeignVendor, kForeignProduct);
        gBus.second =
            std::make_unique<UsbCameraModel>(gBed, 2, camera::kDefaultVendorId, kSecondProduct);
        gBus.camera = std::make_unique<UsbCameraModel>(gBed, 3, camera::kDefaultVendorId,
                                                       camera::kDefaultProductId);
    }
};

}  // namespace

UsbBus& bus() {
    return gBus;
}

}  // namespace usbtest

int main(int argc, char** argv) {
    const char* preload = std::getenv("LD_PRELOAD");
    if (preload == nullptr || std::strstr(preload, "libumockdev-preload") == nullptr) {
        // The preload library must be loaded before anything else; an address-sanitizer
        // runtime accepts not being first.
        setenv("LD_PRELOAD", "libumockdev-preload.so.0", 1);
        std::string asan = "verify_asan_link_order=0";
        if (const char* options = std::getenv("ASAN_OPTIONS")) asan = options + (":" + asan);
        setenv("ASAN_OPTIONS", asan.c_str(), 1);
        execv("/proc/self/exe", argv);
        perror("cannot start again under umockdev");
        return 1;
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::AddGlobalTestEnvironment(new usbtest::BusEnvironment);
    return RUN_ALL_TESTS();
}
