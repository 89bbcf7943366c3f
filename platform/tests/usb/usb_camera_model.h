// A USB-level model of the camera for the libusb backend's tests: a device on a mocked bus
// (umockdev) whose usbdevfs requests are answered here. Vendor control requests are decoded
// back to the camera's registers and bulk IN is served from the camera's stream.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "duovue_camera.h"

typedef struct _UMockdevTestbed UMockdevTestbed;
typedef struct _UMockdevIoctlBase UMockdevIoctlBase;
typedef struct _UMockdevIoctlClient UMockdevIoctlClient;
typedef struct _UMockdevIoctlData UMockdevIoctlData;

namespace usbtest {

struct ControlRequest {
    uint8_t requestType = 0, request = 0;
    uint16_t value = 0, index = 0, length = 0;
};

class UsbCameraModel {
  public:
    // Plugs a device into the bed at bus 1, `port` (its address is port + 1).
    UsbCameraModel(UMockdevTestbed* bed, int port, uint16_t vendor, uint16_t product);
    ~UsbCameraModel();
    UsbCameraModel(const UsbCameraModel&) = delete;
    UsbCameraModel& operator=(const UsbCameraModel&) = delete;

    // A fresh camera (power-on state, no faults) and cleared records.
    void reset(const camera::CameraOptions& options = {});
    camera::SimCamera& camera() { return *camera_; }

    // ---- Faults ----
    // Bulk IN delivers at most this many bytes more and then never completes (a timeout).
    void stallBulkAfter(uint64_t bytes);
    void refuseClaim(bool busy);  // claiming the interface fails: another program holds it

    // ---- Records ----
    int opens() const;          // times the device node was opened
    uint64_t requests() const;  // usbdevfs requests of any kind
    std::vector<ControlRequest> controls() const;
    std::vector<uint8_t> bulkEndpoints() const;  // endpoint of every bulk URB

  private:
    struct Urb;
    static int onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self);
    static void onConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self);
    bool handle(UMockdevIoctlClient* client);
    void submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg);
    void serveControl(Urb& urb, uint8_t* buffer);
    void serveBulk(Urb& urb, uint8_t* buffer);

    UMockdevIoctlBase* handler_;
    mutable std::mutex mutex_;
    std::shared_ptr<camera::SimCamera> camera_;
    std::vector<std::unique_ptr<Urb>> done_;    // completed, waiting to be reaped
    std::vector<std::unique_ptr<Urb>> flying_;  // submitted, not completed
    uint64_t stallAfter_ = UINT64_MAX;
    bool busy_ = false;
    uint32_t announced_ = 0;       // bytes of the next bulk read, from the last announcement
    bool streaming_ = false;       // a bulk read is being sent
    bool streamOk_ = false;        // the camera served it all
    std::vector<uint8_t> stream_;  // what it sends
    size_t streamAt_ = 0;          // how much of that went out
    int opens_ = 0;
    uint64_t requests_ = 0;
    std::vector<ControlRequest> controls_;
    std::vector<uint8_t> bulkEndpoints_;
};

}  // namespace usbtest
