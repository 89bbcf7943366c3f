// The camera's USB side over umockdev's usbdevfs emulation.
#include "usb_camera_model.h"

#include <linux/ioctl.h>
#include <linux/usbdevice_fs.h>
#include <umockdev.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace usbtest {

struct UsbCameraModel::Urb {
    UMockdevIoctlData* data = nullptr;  // the client's usbdevfs_urb, kept until reaped
    int status = 0;
    int actualLength = 0;
    ~Urb() {
        if (data != nullptr) umockdev_ioctl_data_unref(data);
    }
};

namespace {

// Device descriptor, then one configuration: interface 0 with bulk IN 0x81, bulk IN 0x82 and
// bulk OUT 0x03 (512-byte packets).
std::string descriptorsHex(uint16_t vendor, uint16_t product) {
    char ids[16];
    std::snprintf(ids, sizeof ids, "%02x%02x%02x%02x", vendor & 0xFF, vendor >> 8, product & 0xFF,
                  product >> 8);
    return std::string("1201000200000040") + ids + "0001" + "010200" + "01" +  // device
           "090227000101008032" +                                              // configuration
           "090400000" + "3ffffff00" +                                         // interface 0
           "07058102000200" + "07058202000200" + "07050302000200";             // endpoints
}

}  // namespace

UsbCameraModel::UsbCameraModel(UMockdevTestbed* bed, int port, uint16_t vendor, uint16_t product)
    : handler_(umockdev_ioctl_base_new()) {
    reset();
    g_signal_connect_after(handler_, "handle-ioctl", G_CALLBACK(onIoctl), this);
    g_signal_connect(handler_, "client-connected", G_CALLBACK(onConnected), this);
    char node[64];
    std::snprintf(node, sizeof node, "/dev/bus/usb/001/%03d", port + 1);
    if (!umockdev_testbed_attach_ioctl(bed, node, handler_, nullptr))
        throw std::runtime_error("cannot attach the model to " + std::string(node));
    char text[1024];
    std::snprintf(text, sizeof text,
                  "P: /devices/usb1/1-%d\nN: bus/usb/001/%03d\nE: SUBSYSTEM=usb\n"
                  "E: DEVTYPE=usb_device\nE: DRIVER=usb\nE: BUSNUM=001\nE: DEVNUM=%03d\n"
                  "E: DEVNAME=%s\nA: busnum=1\\n\nA: devnum=%d\\n\nA: bConfigurationValue=1\\n\n"
                  "A: speed=480\\n\nH: descriptors=%s\n",
                  port, port + 1, port + 1, node, port + 1,
                  descriptorsHex(vendor, product).c_str());
    if (!umockdev_testbed_add_from_string(bed, text, nullptr))
        throw std::runtime_error("cannot add the model's device");
}

UsbCameraModel::~UsbCameraModel() {
    g_object_unref(handler_);
}

void UsbCameraModel::reset(const camera::CameraOptions& options) {
    std::lock_guard lock(mutex_);
    camera_ = std::make_shared<camera::SimCamera>(options);
    done_.clear();
    flying_.clear();
    stallAfter_ = UINT64_MAX;
    busy_ = false;
    announced_ = 0;
    streaming_ = false;
    stream_.clear();
    opens_ = 0;
    requests_ = 0;
    controls_.clear();
    bulkEndpoints_.clear();
}

void UsbCameraModel::stallBulkAfter(uint64_t bytes) {
    std::lock_guard lock(mutex_);
    stallAfter_ = bytes;
}

void UsbCameraModel::refuseClaim(bool busy) {
    std::lock_guard lock(mutex_);
    busy_ = busy;
}

int UsbCameraModel::opens() const {
    std::lock_guard lock(mutex_);
    return opens_;
}

uint64_t UsbCameraModel::requests() const {
    std::lock_guard lock(mutex_);
    return requests_;
}

std::vector<ControlRequest> UsbCameraModel::controls() const {
    std::lock_guard lock(mutex_);
    return controls_;
}

std::vector<uint8_t> UsbCameraModel::bulkEndpoints() const {
    std::lock_guard lock(mutex_);
    return bulkEndpoints_;
}

void UsbCameraModel::onConnected(UMockdevIoctlBase*, UMockdevIoctlClient*, void* self) {
    auto* model = static_cast<UsbCameraModel*>(self);
    std::lock_guard lock(model->mutex_);
    ++model->opens_;
}

int UsbCameraModel::onIoctl(UMockdevIoctlBase*, UMockdevIoctlClient* client, void* self) {
    auto* model = static_cast<UsbCameraModel*>(self);
    std::lock_guard lock(model->mutex_);
    ++model->requests_;
    return model->handle(client) ? TRUE : FALSE;
}

// A camera call that failed while the camera is gone ends in ENODEV, like an unplugged device;
// any other failure is a stall.
static int failure(const camera::SimCamera& camera) {
    return camera.connected() ? -EPIPE : -ENODEV;
}

void UsbCameraModel::serveControl(Urb& urb, uint8_t* buffer) {
    ControlRequest setup;
    setup.requestType = buffer[0];
    setup.request = buffer[1];
    setup.value = static_cast<uint16_t>(buffer[2] | buffer[3] << 8);
    setup.index = static_cast<uint16_t>(buffer[4] | buffer[5] << 8);
    setup.length = static_cast<uint16_t>(buffer[6] | buffer[7] << 8);
    controls_.push_back(setup);
    uint8_t* data = buffer + 8;
    bool ok = false;
    if (setup.requestType == 0xC0 && (setup.request == 0x04 || setup.request == 0x0C))
        ok = camera_->readRegister(setup.value, data, setup.length);
    else if (setup.requestType == 0x40 && (setup.request == 0x04 || setup.request == 0x0C))
        ok = camera_->writeRegister(setup.value, data, setup.length);
    if (ok && setup.requestType == 0x40 && setup.value == camera::kRegBulkSetup &&
        setup.length >= 8) {
        announced_ = static_cast<uint32_t>(data[4] | data[5] << 8 | data[6] << 16 |
                                           static_cast<uint32_t>(data[7]) << 24);
        streaming_ = false;
    }
    urb.status = ok ? 0 : failure(*camera_);
    urb.actualLength = ok ? setup.length : 0;
}

// The camera sends an announced read as one stream of packets: the host's URBs take from it in
// turn, and the URB that empties it comes back short (or empty) as the end of the transfer.
void UsbCameraModel::serveBulk(Urb& urb, uint8_t* buffer) {
    auto* urbData = reinterpret_cast<usbdevfs_urb*>(urb.data->data);
    bulkEndpoints_.push_back(urbData->endpoint);
    if (!streaming_) {
        stream_.assign(announced_, 0);
        uint32_t got = 0;
        streamOk_ = camera_->bulkRead(stream_.data(), announced_, got);
        stream_.resize(got);
        streamAt_ = 0;
        streaming_ = true;
        announced_ = 0;
    }
    const size_t asked = static_cast<size_t>(std::max(urbData->buffer_length, 0));
    size_t n = std::min(asked, stream_.size() - streamAt_);
    const bool stall = stallAfter_ < n;
    if (stall) n = static_cast<size_t>(stallAfter_);
    if (stallAfter_ != UINT64_MAX) stallAfter_ -= n;
    std::memcpy(buffer, stream_.data() + streamAt_, n);
    streamAt_ += n;
    urb.actualLength = static_cast<int>(n);
    urb.status = 0;
    if (stall) {
        urb.status = 1;  // never completes: the host gives up and discards it
    } else if (n < asked || streamAt_ == stream_.size()) {
        if (!streamOk_ && streamAt_ == stream_.size()) urb.status = failure(*camera_);
        if (n < asked) streaming_ = false;
    }
}

void UsbCameraModel::submit(UMockdevIoctlClient* client, UMockdevIoctlData* arg) {
    auto urb = std::make_unique<Urb>();
    urb->data = umockdev_ioctl_data_resolve(arg, 0, sizeof(usbdevfs_urb), nullptr);
    auto* u = reinterpret_cast<usbdevfs_urb*>(urb->data->data);
    UMockdevIoctlData* buffer = umockdev_ioctl_data_resolve(
        urb->data, G_STRUCT_OFFSET(usbdevfs_urb, buffer), u->buffer_length, nullptr);
    if (u->type == USBDEVFS_URB_TYPE_CONTROL && u->buffer_length >= 8)
        serveControl(*urb, buffer->data);
    else if (u->type == USBDEVFS_URB_TYPE_BULK && (u->endpoint & 0x80) != 0)
        serveBulk(*urb, buffer->data);
    else
        urb->status = -EPIPE;
    umockdev_ioctl_data_unref(buffer);
    umockdev_ioctl_client_complete(client, 0, 0);
    if (urb->status == 1)
        flying_.push_back(std::move(urb));
    else
        done_.push_back(std::move(urb));
}

bool UsbCameraModel::handle(UMockdevIoctlClient* client) {
    const unsigned long request = umockdev_ioctl_client_get_request(client);
    UMockdevIoctlData* arg = umockdev_ioctl_client_get_arg(client);
    // Unplugged: nothing new is accepted; what was in flight can still be reaped.
    const bool reaping = request == USBDEVFS_REAPURB || request == USBDEVFS_REAPURBNDELAY ||
                         request == USBDEVFS_DISCARDURB || request == USBDEVFS_RELEASEINTERFACE;
    if (!camera_->connected() && !reaping) {
        umockdev_ioctl_client_complete(client, -1, ENODEV);
        return true;
    }
    switch (request) {
        case USBDEVFS_GET_CAPABILITIES: {
            UMockdevIoctlData* d = umockdev_ioctl_data_resolve(arg, 0, sizeof(uint32_t), nullptr);
            const uint32_t caps = USBDEVFS_CAP_BULK_SCATTER_GATHER |
                                  USBDEVFS_CAP_BULK_CONTINUATION | USBDEVFS_CAP_NO_PACKET_SIZE_LIM |
                                  USBDEVFS_CAP_REAP_AFTER_DISCONNECT | USBDEVFS_CAP_ZERO_PACKET;
            std::memcpy(d->data, &caps, sizeof caps);
            umockdev_ioctl_data_unref(d);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_CLAIMINTERFACE:
            if (busy_)
                umockdev_ioctl_client_complete(client, -1, EBUSY);
            else
                umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_RELEASEINTERFACE:
        case USBDEVFS_CLEAR_HALT:
        case USBDEVFS_RESET:
        case USBDEVFS_RESETEP:
        case USBDEVFS_SETCONFIGURATION:
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        case USBDEVFS_GETDRIVER:
            umockdev_ioctl_client_complete(client, -1, ENODATA);
            return true;
        case USBDEVFS_SUBMITURB:
            submit(client, arg);
            return true;
        case USBDEVFS_REAPURB:
        case USBDEVFS_REAPURBNDELAY: {
            if (done_.empty()) {
                umockdev_ioctl_client_complete(client, -1, EAGAIN);
                return true;
            }
            std::unique_ptr<Urb> urb = std::move(done_.front());
            done_.erase(done_.begin());
            auto* u = reinterpret_cast<usbdevfs_urb*>(urb->data->data);
            u->status = urb->status;
            u->actual_length = urb->actualLength;
            UMockdevIoctlData* pointer =
                umockdev_ioctl_data_resolve(arg, 0, sizeof(void*), nullptr);
            umockdev_ioctl_data_set_ptr(pointer, 0, urb->data);
            umockdev_ioctl_data_unref(pointer);
            umockdev_ioctl_client_complete(client, 0, 0);
            return true;
        }
        case USBDEVFS_DISCARDURB: {
            const auto address = reinterpret_cast<gulong>(*reinterpret_cast<void**>(arg->data));
            for (auto it = flying_.begin(); it != flying_.end(); ++it) {
                if ((*it)->data->client_addr != address) continue;
                (*it)->status = -ENOENT;
                done_.push_back(std::move(*it));
                flying_.erase(it);
                umockdev_ioctl_client_complete(client, 0, 0);
                return true;
            }
            umockdev_ioctl_client_complete(client, -1, EINVAL);
            return true;
        }
        default:
            return false;
    }
}

}  // namespace usbtest
