// SimCamera: the camera model behind the usbscan device seam, with the unplugged state that any
// thread may change.
#include "camera_model.h"
#include "duovue_camera.h"

namespace camera {

SimCamera::SimCamera(const CameraOptions& options)
    : model_(std::make_unique<CameraModel>(options)) {}

SimCamera::~SimCamera() = default;

namespace {

// Runs one device call on a plugged-in camera; a call that finds (or makes) the camera gone
// unplugs it.
template <class Call>
bool guarded(SimCamera& camera, Call call) {
    if (!camera.connected()) return false;
    bool gone = false;
    const bool ok = call(gone);
    if (gone) camera.vanish();
    return ok;
}

}  // namespace

bool SimCamera::readRegister(uint32_t reg, uint8_t* data, uint32_t length) {
    if (length > 0 && data == nullptr) return false;
    return guarded(*this,
                   [&](bool& gone) { return model_->readRegister(reg, data, length, gone); });
}

bool SimCamera::writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) {
    if (length > 0 && data == nullptr) return false;
    return guarded(*this,
                   [&](bool& gone) { return model_->writeRegister(reg, data, length, gone); });
}

bool SimCamera::deviceDescriptor(DEVICE_DESCRIPTOR& out) {
    return guarded(*this, [&](bool& gone) { return model_->deviceDescriptor(out, gone); });
}

bool SimCamera::bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) {
    transferred = 0;
    if (length > 0 && data == nullptr) return false;
    return guarded(*this,
                   [&](bool& gone) { return model_->bulkRead(data, length, transferred, gone); });
}

bool SimCamera::connected() const {
    return !vanished_.load(std::memory_order_relaxed);
}

void SimCamera::vanish() {
    vanished_.store(true);
}
void SimCamera::plugIn() {
    vanished_.store(false);
}
void SimCamera::vanishAfterCalls(uint64_t calls) {
    model_->vanishAfterCalls(calls);
}
void SimCamera::vanishAfterBulkBytes(uint64_t bytes) {
    model_->vanishAfterBulkBytes(bytes);
}
void SimCamera::failRegisterRead(uint32_t reg, uint32_t skip, uint32_t count) {
    model_->failRegister(false, reg, skip, count);
}
void SimCamera::failRegisterWrite(uint32_t reg, uint32_t skip, uint32_t count) {
    model_->failRegister(true, reg, skip, count);
}
void SimCamera::failDescriptor(bool on) {
    model_->failDescriptor(on);
}
void SimCamera::setReadyNever(bool on) {
    model_->setReadyNever(on);
}
void SimCamera::setDrainNeverEnds(bool on) {
    model_->setDrainNeverEnds(on);
}
void SimCamera::setShortBulkReads(uint32_t missing) {
    model_->setShortBulkReads(missing);
}
void SimCamera::setCorruptImageTable(bool on) {
    model_->setCorruptImageTable(on);
}
void SimCamera::overrideImageTable(const std::array<uint8_t, kTableBytes>& table) {
    model_->overrideImageTable(table);
}
void SimCamera::clearFaults() {
    model_->clearFaults();
    plugIn();
}

int SimCamera::mode() const {
    return model_->mode();
}
int SimCamera::liveWidth() const {
    return model_->liveWidth();
}
int SimCamera::liveHeight() const {
    return model_->liveHeight();
}
bool SimCamera::readyNow() const {
    return model_->readyNow();
}
const CameraCounters& SimCamera::counters() const {
    return model_->counters();
}
void SimCamera::resetCounters() {
    model_->resetCounters();
}
const std::vector<uint8_t>& SimCamera::controlWrites() const {
    return model_->controlWrites();
}
void SimCamera::clearControlWrites() {
    model_->clearControlWrites();
}
uint32_t SimCamera::announcedBytes() const {
    return model_->announcedBytes();
}
uint8_t SimCamera::registerValue(uint32_t reg) const {
    return model_->registerValue(reg);
}

const std::vector<StoredItem>& SimCamera::storedItems() const {
    return model_->storedItems();
}
std::span<const uint8_t> SimCamera::imageTable() const {
    return model_->servedTable();
}
std::span<const uint8_t> SimCamera::storeImage() const {
    return model_->storeImage();
}
Scene SimCamera::lastLiveScene() const {
    return model_->lastLiveScene();
}

std::vector<uint8_t> SimCamera::idealFrame(const Scene& scene, int width, int height) const {
    std::vector<uint8_t> wire(static_cast<size_t>(width > 0 ? width : 0) *
                              (height > 0 ? height : 0));
    if (!((width == 320 && height == 240) || (width == 160 && height == 120))) return wire;
    Image canvas;
    scene.render(canvas);
    model_->sensor().capture(canvas, width, height, wire.data(), 0, false);
    return wire;
}

uint8_t SimCamera::darkLevel(int width, int height, int row, int column) const {
    return model_->sensor().darkLevel(width, height, row, column);
}

const std::vector<StuckPixel>& SimCamera::stuckPixels() const {
    return model_->sensor().stuckPixels();
}

CameraModel& SimCamera::model() {
    return *model_;
}

void packWireRow(const uint8_t* levels, int width, uint8_t* wire) {
    const int half = width / 2;
    for (int p = 0; p < half; ++p) {
        wire[p] = static_cast<uint8_t>(255 - levels[2 * p]);
        wire[half + p] = static_cast<uint8_t>(255 - levels[2 * p + 1]);
    }
}

void unpackWireRow(const uint8_t* wire, int width, uint8_t* levels) {
    const int half = width / 2;
    for (int p = 0; p < half; ++p) {
        levels[2 * p] = static_cast<uint8_t>(255 - wire[p]);
        levels[2 * p + 1] = static_cast<uint8_t>(255 - wire[half + p]);
    }
}

}  // namespace camera
