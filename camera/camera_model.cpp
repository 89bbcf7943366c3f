// The camera's firmware: what a register read or write, a descriptor request or a bulk read
// does to the camera, and what it answers.
#include "camera_model.h"

#include <algorithm>
#include <cstring>

namespace camera {
namespace {

bool isLiveMode(int mode) {
    return mode == 0 || mode == 1 || mode == 4 || mode == 5;
}

std::vector<detail::PlannedItem> planFor(const CameraOptions& options) {
    switch (options.store) {
        case StoreKind::Empty:
            return {};
        case StoreKind::Full:
            return detail::fullPlan();
        case StoreKind::Directory:
            return detail::directoryPlan(options.directory);
        case StoreKind::Default:
            break;
    }
    return detail::defaultPlan();
}

}  // namespace

CameraModel::CameraModel(const CameraOptions& options) : options_(options), sensor_(options.seed) {
    store_ = detail::buildStore(planFor(options), sensor_, options.seed);
    refreshServedTable();
    frame_.resize(320 * 240);
    canvas_.width = 320;
    canvas_.height = 240;
    canvas_.rgb.resize(320 * 240 * 3);
    registers_[kRegControl] = 0;
}

bool CameraModel::present(bool& gone) {
    if (callsLeft_ == 0) {
        gone = true;
        ++counters_.failedCalls;
        return false;
    }
    if (callsLeft_ != UINT64_MAX) --callsLeft_;
    return true;
}

bool CameraModel::registerFails(bool write, uint32_t reg) {
    if (registerFaults_.empty()) return false;
    for (RegisterFault& f : registerFaults_) {
        if (f.write != write || f.reg != reg) continue;
        if (f.skip > 0) {
            --f.skip;
            return false;
        }
        if (f.count == 0) return false;
        if (f.count != SimCamera::kAlways) --f.count;
        ++counters_.failedCalls;
        return true;
    }
    return false;
}

void CameraModel::failRegister(bool write, uint32_t reg, uint32_t skip, uint32_t count) {
    std::erase_if(registerFaults_,
                  [&](const RegisterFault& f) { return f.write == write && f.reg == reg; });
    registerFaults_.push_back({write, reg, skip, count});
}

uint8_t CameraModel::status() {
    if (readyNever_) return 0;
    if (drainNeverEnds_) return kReadyBit;
    if (gap_ > 0) {
        --gap_;
        return 0;
    }
    return kReadyBit;
}

bool CameraModel::readyNow() const {
    if (readyNever_) return false;
    if (drainNeverEnds_) return true;
    return gap_ == 0;
}

bool CameraModel::readRegister(uint32_t reg, uint8_t* data, uint32_t length, bool& gone) {
    if (!present(gone)) return false;
    ++counters_.registerReads;
    if (registerFails(false, reg)) return false;
    uint8_t value;
    switch (reg) {
        case kRegStatus:
            ++counters_.statusReads;
            value = status();
            break;
        case kRegDrain:
            ++counters_.drainReads;
            // Draining throws away what is left of the current frame.
            if (dataOpen_) endOfData();
            value = 0;
            break;
        default:
            value = reg < registers_.size() ? registers_[reg] : 0;
            break;
    }
    if (length > 0) {
        data[0] = value;
        if (length > 1) std::memset(data + 1, 0, length - 1);
    }
    return true;
}

bool CameraModel::writeRegister(uint32_t reg, const uint8_t* data, uint32_t length, bool& gone) {
    if (!present(gone)) return false;
    ++counters_.registerWrites;
    if (registerFails(true, reg)) return false;
    switch (reg) {
        case kRegControl:
            if (length < 1) return false;
            control(data[0]);
            return true;
        case kRegBulkSetup:
            if (length < 8) return false;
            announced_ = static_cast<uint32_t>(data[4]) | static_cast<uint32_t>(data[5]) << 8 |
                         static_cast<uint32_t>(data[6]) << 16 |
                         static_cast<uint32_t>(data[7]) << 24;
            ++counters_.announcements;
            return true;
        default:
            if (length > 0 && reg < registers_.size()) registers_[reg] = data[0];
            return true;
    }
}

bool CameraModel::deviceDescriptor(DEVICE_DESCRIPTOR& out, bool& gone) {
    if (!present(gone)) return false;
    ++counters_.descriptorRequests;
    if (failDescriptor_) {
        ++counters_.failedCalls;
        return false;
    }
    out.usVendorId = options_.vendorId;
    out.usProductId = options_.productId;
    out.usBcdDevice = 0x0100;
    out.usLanguageId = 0x0409;
    return true;
}

void CameraModel::control(uint8_t value) {
    if (controlWrites_.size() >= 65536)
        controlWrites_.erase(controlWrites_.begin(), controlWrites_.begin() + 32768);
    controlWrites_.push_back(value);
    registers_[kRegControl] = value;
    if (value & 0x02) {
        const int bit0 = (value & 0x01) ? 0 : 1;
        const int bit2 = (value >> 2) & 1;
        const int bit3 = ((value >> 3) & 1) ? 0 : 1;
        programMode(4 * bit0 + 2 * bit2 + bit3);
    } else if (value & 0x01) {
        // Snap: the next read starts a fresh frame. The store stream is not a frame.
        if (stream_ == Stream::Frames) {
            dataOpen_ = false;
            gap_ = 0;
        }
    }
    // Bits 0 and 1 clear: run; nothing changes.
}

void CameraModel::programMode(int mode) {
    mode_ = mode;
    ++counters_.modesProgrammed;
    if (isLiveMode(mode)) {
        liveWidth_ = (mode & 1) ? 320 : 160;
        liveHeight_ = (mode & 1) ? 240 : 120;
    }
    if (mode == 2) {
        store_ = detail::emptyStore();
        refreshServedTable();
    }
    stream_ = mode == 3 ? Stream::Store : Stream::Frames;
    announced_ = 0;
    dataOpen_ = false;
    position_ = 0;
    gap_ = 1;  // the new mode is in effect after one more status read
}

uint32_t CameraModel::streamSize() const {
    return stream_ == Stream::Store ? kTableBytes + kStoreBytes : frameSize_;
}

void CameraModel::startFrame() {
    position_ = 0;
    dataOpen_ = true;
    gap_ = 0;
    if (stream_ == Stream::Store) return;  // the store stream starts over
    ++counters_.framesStarted;
    const int w = liveWidth_, h = liveHeight_;
    frameSize_ = static_cast<uint32_t>(w * h);
    const auto noise = static_cast<uint32_t>(detail::mix(options_.seed + noiseCounter_++));
    if (isLiveMode(mode_)) {
        lastLiveScene_ = Scene::builtin(kLiveScene, liveFrames_++);
        lastLiveScene_.render(canvas_);
        sensor_.capture(canvas_, w, h, frame_.data(), noise);
    } else {
        // Noise capture, erase and the unused mode 7 see no light.
        sensor_.captureDark(w, h, frame_.data(), noise);
    }
}

void CameraModel::endOfData() {
    dataOpen_ = false;
    gap_ = kDrainGap;
}

bool CameraModel::bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred, bool& gone) {
    transferred = 0;
    if (!present(gone)) return false;
    ++counters_.bulkReads;
    if (length == 0) {
        announced_ = 0;
        return true;
    }
    // Every bulk read must be announced first; a read longer than announced comes up short.
    if (announced_ == 0) {
        ++counters_.failedCalls;
        return false;
    }
    const uint32_t wanted = std::min(length, announced_);
    announced_ = 0;
    if (!dataOpen_) startFrame();
    uint32_t n = std::min(wanted, streamSize() - position_);
    n -= std::min(n, shortBy_);
    bool vanishing = false;
    if (bulkBytesLeft_ != UINT64_MAX) {
        if (n > bulkBytesLeft_) {
            n = static_cast<uint32_t>(bulkBytesLeft_);
            vanishing = true;
        }
        bulkBytesLeft_ -= n;
    }
    if (stream_ == Stream::Store) {
        uint32_t done = 0;
        if (position_ < kTableBytes) {
            done = std::min(n, kTableBytes - position_);
            std::memcpy(data, servedTable_.data() + position_, done);
        }
        if (done < n) {
            const uint32_t from = position_ + done - kTableBytes;
            std::memcpy(data + done, store_.image.data() + from, n - done);
        }
    } else {
        std::memcpy(data, frame_.data() + position_, n);
    }
    position_ += n;
    counters_.bulkBytes += n;
    transferred = n;
    if (position_ == streamSize()) endOfData();
    if (vanishing) {
        gone = true;
        ++counters_.failedCalls;
        return false;
    }
    return true;
}

void CameraModel::refreshServedTable() {
    if (tableOverridden_) {
        servedTable_ = overrideTable_;
    } else if (corruptTable_) {
        // No end mark; sizes and clip bits all over the place, most items counted.
        static constexpr uint8_t kClasses[3] = {0x00, 0x20, 0x10};
        for (uint32_t i = 0; i < kTableBytes; ++i)
            servedTable_[i] = static_cast<uint8_t>(kClasses[i % 3] | ((i & 8) << 4) |
                                                   ((i & 4) << 4) | (i & 0x0F));
    } else {
        servedTable_ = store_.table;
    }
}

void CameraModel::setCorruptImageTable(bool on) {
    corruptTable_ = on;
    refreshServedTable();
}

void CameraModel::overrideImageTable(const std::array<uint8_t, kTableBytes>& table) {
    overrideTable_ = table;
    tableOverridden_ = true;
    refreshServedTable();
}

void CameraModel::clearFaults() {
    callsLeft_ = UINT64_MAX;
    bulkBytesLeft_ = UINT64_MAX;
    registerFaults_.clear();
    failDescriptor_ = false;
    readyNever_ = false;
    drainNeverEnds_ = false;
    shortBy_ = 0;
    corruptTable_ = false;
    tableOverridden_ = false;
    refreshServedTable();
}

}  // namespace camera
