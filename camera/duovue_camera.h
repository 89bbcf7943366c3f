// The simulated Duovue camera: the device on the far side of \\.\UsbscanN.
//
// The same model runs in-process (tests attach it with platform::attachUsbDevice) and inside the
// duovue-sim program, which serves it over the usbscan socket. It answers register reads and
// writes, the device descriptor and bulk reads, and nothing else: it knows nothing of the driver.
//
// Firmware behaviour:
// - RegControl (0x87) writes: a byte with bit 1 set programs the mode (mode code
//   4 * !(b & 1) + 2 * ((b >> 2) & 1) + !((b >> 3) & 1)); mode 2 erases the store, mode 3 rewinds
//   the store stream. A byte with bit 1 clear and bit 0 set is a snap (a fresh frame starts); a
//   byte with bits 0 and 1 clear is "run".
// - RegStatus (0x86): bit 5 (0x20) is the ready bit. It reads set while data can be read; after
//   the last byte of a frame it reads clear for a couple of status reads (the drain), then the
//   next frame is there. After a mode is programmed it reads clear once, then set.
// - RegBulkSetup (0x82): the LE32 count in bytes 4..7 announces the next bulk read, which
//   returns that many bytes of the current output stream (a bulk read without an announcement
//   fails; a read longer than announced comes up short).
// - RegDrain (0x84): reads 0; reading it while a frame still has unread bytes discards them.
// - Other registers (GPIO 0x89, 0x8B, ...): stored and read back, no effect.
// - Output streams: modes 0 and 4 give live 160 x 120 frames, modes 1 and 5 live 320 x 240
//   frames; modes 6 (and 2, 7) give dark frames at the geometry of the last live mode; mode 3
//   gives the 256-byte image table followed by the 8,386,560-byte store image (then, after a
//   drain, the same again).
// - Wire format of every frame and stored item: rows, the bottom line of the scene first (that
//   row is an R-G row of the RGGB mosaic); each row the even-column samples, then the odd-column
//   samples; every byte complemented (255 - level). A 160 x 120 frame or item keeps the sensor's
//   row pairs 0-1, 4-5, ... and column pairs likewise of a 320 x 240 capture.
// - Power-on state: mode 1 (live 320 x 240), ready.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform.h"

namespace camera {

// ---- Protocol constants ---------------------------------------------------------------------

inline constexpr uint32_t kRegBulkSetup = 0x82;
inline constexpr uint32_t kRegDrain = 0x84;
inline constexpr uint32_t kRegStatus = 0x86;
inline constexpr uint32_t kRegControl = 0x87;
inline constexpr uint32_t kRegGpioOE = 0x89;
inline constexpr uint32_t kRegGpioData = 0x8B;
inline constexpr uint8_t kReadyBit = 0x20;

inline constexpr uint32_t kBulkChunk = 61440;
inline constexpr uint32_t kTableBytes = 256;
inline constexpr uint32_t kStoreBytes = 8386560;   // 256 * 32760
inline constexpr uint32_t kSmallItemFiller = 256;  // bytes after every 160 x 120 item
inline constexpr uint8_t kFillerByte = 0x5A;       // value of those filler bytes
inline constexpr uint8_t kErasedByte = 0xFF;       // erased table entries and unused store bytes
inline constexpr int kFullStoreItems = 107;

inline constexpr uint16_t kDefaultVendorId = 0x1D5C;
inline constexpr uint16_t kDefaultProductId = 0x0A15;

// Image-table class bytes. Bits 0..3 carry the firmware's item sequence number (hosts ignore
// them); the end mark is any byte with bits 4..6 all set.
inline constexpr uint8_t kClassLarge = 0x00;   // 320 x 240
inline constexpr uint8_t kClassSmall = 0x20;   // 160 x 120 + 256 filler bytes
inline constexpr uint8_t kClassV8 = 0x40;      // frame of a V8 clip
inline constexpr uint8_t kClassMarker = 0x80;  // clip marker: toggles from one clip to the next

// Sensor response. True colour channel v becomes the level
//   kBlackLevel + fixed-pattern offset + (v * kCast<channel> * kExposure) >> 13
// plus a temporal noise of at most kTemporalNoise levels; stuck pixels ignore all of that.
// The cast (red strong, blue weak) is what automatic white balance has to correct.
inline constexpr int kCastRed = 38;    // in 1/32
inline constexpr int kCastGreen = 32;  // in 1/32
inline constexpr int kCastBlue = 25;   // in 1/32
inline constexpr int kExposure = 224;  // in 1/256
inline constexpr int kBlackLevel = 6;
inline constexpr int kFixedPatternMax = 15;  // offsets are 0..kFixedPatternMax
inline constexpr int kTemporalNoise = 1;

// ---- Pictures and scenes --------------------------------------------------------------------

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// An upright RGB picture: row 0 is the top line, 3 bytes (r, g, b) per pixel, no padding.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;
    Rgb at(int x, int y) const {
        const uint8_t* p = rgb.data() + (static_cast<size_t>(y) * width + x) * 3;
        return {p[0], p[1], p[2]};
    }
};

// A large flat area of one colour, in the coordinates of a picture (y from the top).
struct Region {
    std::string_view name;  // "top-left", "top-right", "bottom-left", "bottom-right"
    int x = 0, y = 0, width = 0, height = 0;
    Rgb colour;
};

// Built-in scenes: ids 0..11 are still scenes, 12..14 the moving scenes of the default store's
// clips, kLiveScene the moving scene of live frames. Every built-in scene is 320 x 240 and has
// four flat regions (16 px from the edges, 120 x 80 each) of distinct colours that nothing
// moving ever covers, a detail band across the middle (y 104..135) where moving scenes move,
// and a background of another colour.
inline constexpr int kStillScenes = 12;
inline constexpr int kClipSceneFirst = 12;
inline constexpr int kLiveScene = 15;

class Scene {
  public:
    Scene();  // an all-black 320 x 240 scene
    static Scene builtin(int id, uint32_t frame = 0);
    // A picture taken as it is (320 x 240 or 160 x 120); it has no documented regions.
    static Scene fromImage(Image image);

    int id() const { return id_; }  // -1 for pictures
    uint32_t frame() const { return frame_; }
    bool moving() const;
    int width() const;  // native size: 320 x 240, or the picture's size
    int height() const;

    // True colour at (x, y) of the native canvas, y counted from the top.
    Rgb at(int x, int y) const;
    // True colour at (x, y) of a width x height capture of this scene (y from the top). A
    // 160 x 120 capture of a 320 x 240 scene keeps row pairs 0-1, 4-5, ... and column pairs
    // likewise of the sensor, so its pixel maps to one exact canvas pixel.
    Rgb pictureAt(int width, int height, int x, int y) const;
    // The flat regions in the coordinates of a width x height capture (halved for 160 x 120).
    std::vector<Region> regions(int width = 320, int height = 240) const;
    // The whole native canvas.
    void render(Image& out) const;

  private:
    int id_ = -1;
    uint32_t frame_ = 0;
    std::shared_ptr<const Image> picture_;
};

// ---- The store ------------------------------------------------------------------------------

enum class StoreKind { Default, Empty, Full, Directory };

// One counted item of the store, in table order.
struct StoredItem {
    int width = 0;   // 320 or 160
    int height = 0;  // 240 or 120
    bool v8 = false;
    int clip = -1;          // clip number in store order (0, 1, ...), -1 for a still
    std::string tag;        // clip tag ("" for stills)
    uint8_t classByte = 0;  // the image-table byte as served
    size_t offset = 0;      // first byte of the item in the store image
    Scene scene;            // what was photographed
};

// A store that cannot be built (directory stores): the message says what is wrong.
class StoreError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// ---- The camera -----------------------------------------------------------------------------

struct CameraOptions {
    StoreKind store = StoreKind::Default;
    std::string directory;  // for StoreKind::Directory: binary PPM files, see duovue-sim --help
    uint16_t vendorId = kDefaultVendorId;
    uint16_t productId = kDefaultProductId;
    uint32_t seed = 1;  // temporal noise, stuck pixels and fixed pattern
};

struct StuckPixel {
    int row = 0, column = 0;  // sensor position in a 320 x 240 frame, wire row order
    uint8_t level = 0;        // 0 (dark) or 255 (bright)
};

struct CameraCounters {
    uint64_t registerReads = 0;
    uint64_t registerWrites = 0;
    uint64_t statusReads = 0;
    uint64_t drainReads = 0;
    uint64_t descriptorRequests = 0;
    uint64_t bulkReads = 0;
    uint64_t bulkBytes = 0;
    uint64_t announcements = 0;
    uint64_t framesStarted = 0;  // frames generated (live, dark, black)
    uint64_t modesProgrammed = 0;
    uint64_t failedCalls = 0;
};

class CameraModel;

// Not thread-safe, except vanish()/plugIn()/connected(), which any thread may call.
class SimCamera : public platform::UsbDevice {
  public:
    explicit SimCamera(const CameraOptions& options = {});  // throws StoreError
    ~SimCamera() override;
    SimCamera(const SimCamera&) = delete;
    SimCamera& operator=(const SimCamera&) = delete;

    // The device side of the usbscan calls.
    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) override;
    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) override;
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override;
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) override;
    bool connected() const override;

    // ---- Fault injection ----
    static constexpr uint32_t kAlways = 0xFFFFFFFFu;
    void vanish();  // unplugged now: every later call fails, the device file is gone
    void plugIn();  // plugged back (the state survives; faults other than vanishing stay)
    // The next `calls` device calls succeed, the one after fails and the camera is gone.
    void vanishAfterCalls(uint64_t calls);
    // Gone in the middle of the bulk read that would pass `bytes` bulk bytes from now: that read
    // delivers up to that point and fails.
    void vanishAfterBulkBytes(uint64_t bytes);
    // Of the calls reading (writing) register `reg`, the first `skip` succeed, the next `count`
    // fail (kAlways: all of them). A failing read leaves the data untouched; a failing write
    // has no effect.
    void failRegisterRead(uint32_t reg, uint32_t skip = 0, uint32_t count = 1);
    void failRegisterWrite(uint32_t reg, uint32_t skip = 0, uint32_t count = 1);
    void failDescriptor(bool on);
    void setReadyNever(bool on);      // the ready bit never reads set
    void setDrainNeverEnds(bool on);  // after a frame's data the ready bit stays set
    // Every bulk read delivers `missing` bytes fewer than asked (still reporting success).
    void setShortBulkReads(uint32_t missing);
    // The image table served in mode 3 is garbage: no end mark, 256 items of every class.
    void setCorruptImageTable(bool on);
    // Serves exactly these 256 bytes as the image table (the store image is unchanged).
    void overrideImageTable(const std::array<uint8_t, kTableBytes>& table);
    void clearFaults();  // all of the above, including vanishing

    // ---- Observation ----
    int mode() const;       // mode code now in effect (0..7)
    int liveWidth() const;  // geometry of the last live mode
    int liveHeight() const;
    bool readyNow() const;  // what the next status read would show, without counting as one
    const CameraCounters& counters() const;
    void resetCounters();
    // Every byte written to RegControl, oldest first (the last 65536 are kept).
    const std::vector<uint8_t>& controlWrites() const;
    void clearControlWrites();
    uint32_t announcedBytes() const;            // count of the pending bulk announcement
    uint8_t registerValue(uint32_t reg) const;  // last byte written to a plain register

    // ---- Ground truth ----
    const std::vector<StoredItem>& storedItems() const;  // empty after an erase
    int countedItems() const { return static_cast<int>(storedItems().size()); }
    std::span<const uint8_t> imageTable() const;  // the 256 bytes as served (faults included)
    std::span<const uint8_t> storeImage() const;  // the 8,386,560 bytes as served
    // Scene of the most recent live frame (frame number = frames served in live modes so far).
    Scene lastLiveScene() const;
    // The wire bytes (complemented, packed) the sensor gives for `scene` at width x height,
    // without temporal noise: a received frame differs by at most kTemporalNoise per byte.
    std::vector<uint8_t> idealFrame(const Scene& scene, int width, int height) const;
    // The dark level (not complemented) of the sensor at a wire position of a width x height
    // frame, without temporal noise: kBlackLevel + fixed pattern, or a stuck pixel's level.
    uint8_t darkLevel(int width, int height, int row, int column) const;
    const std::vector<StuckPixel>& stuckPixels() const;

    CameraModel& model();  // internal model, for the simulator program and benchmarks

  private:
    std::unique_ptr<CameraModel> model_;
    std::atomic<bool> vanished_{false};
};

// Packs one row of samples (levels) into the wire format: even columns, then odd columns,
// each byte complemented. Handy for tests that build expected frames.
void packWireRow(const uint8_t* levels, int width, uint8_t* wire);
// The inverse: wire row to levels in column order.
void unpackWireRow(const uint8_t* wire, int width, uint8_t* levels);

}  // namespace camera
