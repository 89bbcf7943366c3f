// The camera's store as untrusted input: a camera in this process serves the first 256 bytes of
// the input as its image table and the rest (then zeros) as its store. The driver downloads
// both and makes some entries' gray and colour pictures; the session indexes the table and finds
// its clips.
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <vector>

#include "image_table.h"
#include "platform.h"
#include "store_table.h"
#include "zentdrv.h"

namespace {

constexpr uint32_t kStatusRegister = 0x86;
constexpr uint8_t kReady = 0x20;

// Ready at every status read except the one right after a bulk read, which ends the drain.
// A read of exactly the table's size gets the table; every other read continues the store.
struct InputCamera : platform::UsbDevice {
    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) override {
        if (length == 0) return true;
        std::memset(data, 0, length);
        if (reg == kStatusRegister) {
            data[0] = draining ? 0 : kReady;
            draining = false;
        }
        return true;
    }
    bool writeRegister(uint32_t, const uint8_t*, uint32_t) override { return true; }
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override {
        out = DEVICE_DESCRIPTOR{};
        return true;
    }
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) override {
        draining = true;
        transferred = length;
        if (length == zentdrv::kImageTableBytes) {
            std::memcpy(data, table.data(), length);
            return true;
        }
        // Whole blocks, not a byte at a time: the store is 8 MB, read in full for every input.
        const size_t have =
            position < store.size() ? std::min<size_t>(length, store.size() - position) : 0;
        if (have > 0) std::memcpy(data, store.data() + position, have);
        std::memset(data + have, 0, length - have);
        position += length;
        return true;
    }

    std::array<uint8_t, zentdrv::kImageTableBytes> table{};
    std::vector<uint8_t> store;
    size_t position = 0;
    bool draining = false;
};

struct Bench {
    Bench() {
        platform::installClock(&clock);  // the camera's settling sleeps take no time
        platform::attachUsbDevice(0, camera);
        StartToCapture();
        SetDeviceInfo(0, 0);
        SetImageInfo(320, 240, 3, 1);
        SetHWInterface(4, 888, 1, 120, 1, 1);
        InitEvCam();
        ReInitFPN();
        picture = GetImgHandle(320, 240, 3);
        header = static_cast<BITMAPINFOHEADER*>(GlobalLock(picture));
        auto* pixels = reinterpret_cast<BYTE*>(header + 1);
        for (int r = 0; r < 240; ++r) rows[r] = pixels + r * 320 * 3;
        dump.resize(zentdrv::kStoreImageBytes);
    }

    platform::VirtualClock clock;
    std::shared_ptr<InputCamera> camera = std::make_shared<InputCamera>();
    HGLOBAL picture = nullptr;
    BITMAPINFOHEADER* header = nullptr;
    BYTE* rows[240] = {};
    std::vector<BYTE> dump;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static Bench bench;
    InputCamera& camera = *bench.camera;
    camera.table.fill(zentdrv::kEndMark);
    std::memcpy(camera.table.data(), data, size < 256 ? size : 256);
    camera.store.assign(data + (size < 256 ? size : 256), data + size);
    camera.position = 0;

    zentsession::ImageTable table{};
    const int items = DloadSDRAM_Header(table.data());
    if (items < 0) return 0;
    DloadSDRAM();
    // Unpacking a picture costs milliseconds and its colour picture tens of them under the
    // sanitizers, and the entries differ only in where their bytes lie: entries are unpacked in
    // turn until eight have been (the first also in colour), then the last entry the
    // session's index names is unpacked and coloured. Refused entries are asked for both.
    std::array<int, zentsession::kTableSize> index{};
    const int count = zentsession::buildImageTableIndex(table, index);
    int unpacked = 0;
    for (int entry = 0; entry < 256 && unpacked < 8; ++entry) {
        SetImageInfo(-1, -1, 1 + entry % 3, -1);  // the three display kinds in turn
        if (GetRawImage(bench.rows, bench.header, entry) == 0) {
            GetColorImage(bench.rows, bench.header, entry);  // refused too, cheaply
            continue;
        }
        if (unpacked++ == 0) GetColorImage(bench.rows, bench.header, entry);
    }
    if (count > 0) {
        GetRawImage(bench.rows, bench.header, index[count - 1]);
        GetColorImage(bench.rows, bench.header, index[count - 1]);
    }
    // The dump does not depend on the store's contents, only on its presence; inverting 8 MB for
    // every input would take most of the run, so one input in sixteen (by its size) does it.
    if (size % 16 == 0) DumpSDRAM(bench.dump.data());

    for (int n = 0; n < count; ++n) zentsession::imageNumberOfEntry(index, count, index[n]);
    std::array<zentsession::ClipRecord, zentsession::kTableSize> clips{};
    zentsession::scanClips(table, clips);
    return 0;
}
