// The camera's firmware: registers, the mode machine, output streams and injected faults.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "duovue_camera.h"
#include "sensor.h"
#include "store.h"

namespace camera {

class CameraModel {
  public:
    explicit CameraModel(const CameraOptions& options);

    // The device calls. `gone` is set when the call finds (or makes) the camera unplugged.
    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length, bool& gone);
    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length, bool& gone);
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out, bool& gone);
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred, bool& gone);

    // Faults.
    void vanishAfterCalls(uint64_t calls) { callsLeft_ = calls; }
    void vanishAfterBulkBytes(uint64_t bytes) { bulkBytesLeft_ = bytes; }
    void failRegister(bool write, uint32_t reg, uint32_t skip, uint32_t count);
    void failDescriptor(bool on) { failDescriptor_ = on; }
    void setReadyNever(bool on) { readyNever_ = on; }
    void setDrainNeverEnds(bool on) { drainNeverEnds_ = on; }
    void setShortBulkReads(uint32_t missing) { shortBy_ = missing; }
    void setCorruptImageTable(bool on);
    void overrideImageTable(const std::array<uint8_t, kTableBytes>& table);
    void clearFaults();

    // Observation and ground truth.
    int mode() const { return mode_; }
    int liveWidth() const { return liveWidth_; }
    int liveHeight() const { return liveHeight_; }
    bool readyNow() const;
    const CameraCounters& counters() const { return counters_; }
    void resetCounters() { counters_ = {}; }
    const std::vector<uint8_t>& controlWrites() const { return controlWrites_; }
    void clearControlWrites() { controlWrites_.clear(); }
    uint32_t announcedBytes() const { return announced_; }
    uint8_t registerValue(uint32_t reg) const { return registers_[reg & 0xFF]; }
    const std::vector<StoredItem>& storedItems() const { return store_.items; }
    const std::array<uint8_t, kTableBytes>& servedTable() const { return servedTable_; }
    const std::vector<uint8_t>& storeImage() const { return store_.image; }
    Scene lastLiveScene() const { return lastLiveScene_; }
    detail::Sensor& sensor() { return sensor_; }
    const detail::Sensor& sensor() const { return sensor_; }

  private:
    static constexpr int kDrainGap = 2;  // status reads that show clear after a frame

    enum class Stream { Frames, Store };

    // Counts a call against the vanish fault; false when the camera is (now) gone.
    bool present(bool& gone);
    bool registerFails(bool write, uint32_t reg);
    void control(uint8_t value);
    void programMode(int mode);
    void startFrame();
    void endOfData();
    void refreshServedTable();
    uint32_t streamSize() const;
    uint8_t status();

    CameraOptions options_;
    detail::Sensor sensor_;
    detail::StoreContent store_;
    std::array<uint8_t, kTableBytes> servedTable_{};
    std::array<uint8_t, 256> registers_{};

    int mode_ = 1;
    int liveWidth_ = 320, liveHeight_ = 240;
    Stream stream_ = Stream::Frames;
    std::vector<uint8_t> frame_;  // the frame being read, wire format
    uint32_t frameSize_ = 0;
    bool dataOpen_ = false;  // a frame (or the store stream) has unread bytes
    uint32_t position_ = 0;  // read position in the frame or the store stream
    int gap_ = 0;            // status reads left that read clear
    uint32_t announced_ = 0;
    uint32_t liveFrames_ = 0;
    uint64_t noiseCounter_ = 0;
    Image canvas_;
    Scene lastLiveScene_;

    // Faults.
    uint64_t callsLeft_ = UINT64_MAX;
    uint64_t bulkBytesLeft_ = UINT64_MAX;
    struct RegisterFault {
        bool write = false;
        uint32_t reg = 0;
        uint32_t skip = 0;
        uint32_t count = 0;
    };
    std::vector<RegisterFault> registerFaults_;
    bool failDescriptor_ = false;
    bool readyNever_ = false;
    bool drainNeverEnds_ = false;
    uint32_t shortBy_ = 0;
    bool corruptTable_ = false;
    bool tableOverridden_ = false;
    std::array<uint8_t, kTableBytes> overrideTable_{};

    CameraCounters counters_;
    std::vector<uint8_t> controlWrites_;
};

}  // namespace camera
