// The camera driven through the device files with the host's exact register sequences.
#include <numeric>

#include "camera_fixture.h"

namespace camera::testing {
namespace {

using CameraProtocol = AttachedCamera;

TEST_F(CameraProtocol, ModeProgrammingDecodesTheControlBytes) {
    // (bit0, bit2, bit3) -> mode code 4 * bit0 + 2 * bit2 + bit3.
    for (int code : {0, 1, 3, 4, 5, 6, 2}) {
        cam->clearControlWrites();
        ASSERT_TRUE(host.applyModeCode(code)) << code;
        EXPECT_EQ(cam->mode(), code);
        ASSERT_EQ(cam->controlWrites().size(), 4u);
        EXPECT_EQ(cam->controlWrites()[0], 0x09);
        EXPECT_EQ(cam->controlWrites()[1], 0x09);
    }
    cam->clearControlWrites();
    ASSERT_TRUE(host.applyMode(1, 1, 0));
    EXPECT_EQ(cam->controlWrites(), (std::vector<uint8_t>{0x09, 0x09, 0x0E, 0x0C}));
    cam->clearControlWrites();
    ASSERT_TRUE(host.applyMode(0, 0, 0));
    EXPECT_EQ(cam->controlWrites(), (std::vector<uint8_t>{0x09, 0x09, 0x0B, 0x08}));
    EXPECT_EQ(cam->mode(), 0);
    EXPECT_EQ(cam->liveWidth(), 160);
}

TEST_F(CameraProtocol, LiveFramesCarryTheSceneBottomLineFirstAsAnRggbMosaic) {
    std::vector<uint8_t> wire;
    for (int code : {1, 0}) {
        ASSERT_TRUE(host.applyModeCode(code));
        const int w = code == 1 ? 320 : 160, h = code == 1 ? 240 : 120;
        host.reads = 0;
        ASSERT_TRUE(host.transferFrame(wire, w, h));
        EXPECT_EQ(host.reads, code == 1 ? 2u : 1u);  // 61440 + 15360, or 19200
        const Scene scene = cam->lastLiveScene();
        EXPECT_EQ(scene.id(), kLiveScene);
        EXPECT_LE(worstDifference(*cam, scene, w, h, wire), kTemporalNoise) << w;
        // The sensor sends the scene upside down: the top-left region (red) is in the last
        // rows, at the left.
        const auto levels = unpackFrame(wire, w, h);
        const int r = (h - 1 - h / 4) & ~1, c = w / 8 * 2;  // an R site in the region
        EXPECT_GT(levels[r * w + c], 150);
        EXPECT_LT(levels[(r + 1) * w + c + 1], 80);  // the B site beside it
    }
}

TEST_F(CameraProtocol, LiveSceneMovesFromFrameToFrame) {
    std::vector<uint8_t> a, b;
    ASSERT_TRUE(host.transferFrame(a, 320, 240));
    const uint32_t first = cam->lastLiveScene().frame();
    ASSERT_TRUE(host.transferFrame(b, 320, 240));
    EXPECT_EQ(cam->lastLiveScene().frame(), first + 1);
    EXPECT_GT(worstDifference(*cam, Scene::builtin(kLiveScene, first), 320, 240, b), 40);
}

TEST_F(CameraProtocol, DrainShowsClearThenTheNextFrameWithinAFewPolls) {
    std::vector<uint8_t> wire;
    uint32_t drainReads = 99;
    ASSERT_TRUE(host.transferFrame(wire, 320, 240, &drainReads));
    EXPECT_EQ(drainReads, 0u);  // ready already clear after the last byte
    const int64_t polls = host.waitReady(kPollLimit);
    EXPECT_GT(polls, 1);
    EXPECT_LT(polls, 100);
    // A drain read while data is still unread throws the rest of the frame away.
    const uint8_t setup[8] = {0, 0, 0, 0, 0x00, 0x10, 0, 0};
    ASSERT_TRUE(host.writeRegister(kRegBulkSetup, setup, 8));
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(host.handle, wire.data(), 4096, &got, nullptr));
    EXPECT_EQ(got, 4096u);
    EXPECT_EQ(host.readStatus(), kReadyBit);
    uint8_t d = 1;
    ASSERT_TRUE(host.readRegister(kRegDrain, &d, 1));
    EXPECT_EQ(d, 0);
    EXPECT_EQ(host.readStatus(), 0);
}

TEST_F(CameraProtocol, SnapRestartsTheFrame) {
    std::vector<uint8_t> head(61440);
    ASSERT_TRUE(host.bulkRead(head.data(), 61440));
    const uint64_t started = cam->counters().framesStarted;
    ASSERT_TRUE(host.writeControl(0x09));
    std::vector<uint8_t> wire;
    ASSERT_TRUE(host.transferFrame(wire, 320, 240));
    EXPECT_EQ(cam->counters().framesStarted, started + 1);
    EXPECT_LE(worstDifference(*cam, cam->lastLiveScene(), 320, 240, wire), kTemporalNoise);
}

TEST_F(CameraProtocol, DarkFramesUseTheLastLiveGeometryAndTheFixedPattern) {
    std::vector<uint8_t> wire;
    for (int live : {0, 1}) {
        ASSERT_TRUE(host.applyModeCode(live));
        ASSERT_TRUE(host.applyModeCode(6));
        const int w = live ? 320 : 160, h = live ? 240 : 120;
        ASSERT_TRUE(host.transferFrame(wire, w, h));
        EXPECT_EQ(host.readStatus(), 0);  // exactly w * h bytes made up the frame
        const auto levels = unpackFrame(wire, w, h);
        int worst = 0;
        for (int r = 0; r < h; ++r)
            for (int c = 0; c < w; ++c)
                worst = std::max(worst, std::abs(levels[r * w + c] - cam->darkLevel(w, h, r, c)));
        EXPECT_LE(worst, kTemporalNoise);
    }
    // The fixed pattern is one pattern: a 160 x 120 pixel is the kept 320 x 240 pixel.
    EXPECT_EQ(cam->darkLevel(160, 120, 3, 5), cam->darkLevel(320, 240, 5, 9));
    EXPECT_FALSE(cam->stuckPixels().empty());
}

TEST_F(CameraProtocol, StoreModeServesTableThenStoreIn137Reads) {
    ASSERT_TRUE(host.applyModeCode(3));
    ASSERT_GT(host.waitReady(kPollLimit + 1), 0);
    std::vector<uint8_t> table(256);
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    EXPECT_TRUE(std::equal(table.begin(), table.end(), cam->imageTable().begin()));
    std::vector<uint8_t> store(kStoreBytes);
    host.reads = 0;
    ASSERT_TRUE(host.bulkRead(store.data(), kStoreBytes));
    EXPECT_EQ(host.reads, 137u);
    EXPECT_TRUE(std::equal(store.begin(), store.end(), cam->storeImage().begin()));

    // Offsets follow from the table alone: width x height per item, plus 256 after 160 x 120.
    size_t offset = 0;
    const auto& items = cam->storedItems();
    size_t i = 0;
    for (; (table[i] & 0x70) != 0x70; ++i) {
        ASSERT_LT(i, items.size());
        EXPECT_EQ(items[i].offset, offset);
        const bool small = (table[i] & 0x30) == 0x20;
        EXPECT_EQ(items[i].width, small ? 160 : 320);
        offset += small ? 19200 : 76800;
        if (small) {
            EXPECT_TRUE(std::all_of(store.begin() + offset, store.begin() + offset + 256,
                                    [](uint8_t b) { return b == kFillerByte; }));
            offset += 256;
        }
        // Each item is the photographed scene in the wire format.
        const std::vector<uint8_t> wire(
            store.begin() + items[i].offset,
            store.begin() + items[i].offset + items[i].width * items[i].height);
        EXPECT_LE(worstDifference(*cam, items[i].scene, items[i].width, items[i].height, wire),
                  kTemporalNoise)
            << "item " << i;
    }
    EXPECT_EQ(i, items.size());
    EXPECT_TRUE(std::all_of(store.begin() + offset, store.end(),
                            [](uint8_t b) { return b == kErasedByte; }));

    // Programming mode 3 again rewinds to the table.
    ASSERT_TRUE(host.applyModeCode(3));
    std::vector<uint8_t> again(256);
    ASSERT_TRUE(host.bulkRead(again.data(), 256));
    EXPECT_EQ(again, table);
}

TEST_F(CameraProtocol, EraseEmptiesTheStore) {
    ASSERT_TRUE(host.applyModeCode(2));
    EXPECT_TRUE(cam->storedItems().empty());
    ASSERT_TRUE(host.applyModeCode(3));
    std::vector<uint8_t> table(256);
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    EXPECT_TRUE(
        std::all_of(table.begin(), table.end(), [](uint8_t b) { return (b & 0x70) == 0x70; }));
}

TEST_F(CameraProtocol, DescriptorAndPlainRegisters) {
    DEVICE_DESCRIPTOR d{};
    ASSERT_TRUE(host.descriptor(d));
    EXPECT_EQ(d.usVendorId, kDefaultVendorId);
    EXPECT_EQ(d.usProductId, kDefaultProductId);
    const uint8_t v = 0x5C;
    ASSERT_TRUE(host.writeRegister(kRegGpioData, &v, 1));
    EXPECT_EQ(cam->registerValue(kRegGpioData), 0x5C);
    // A bulk read nobody announced fails; a short setup record is refused.
    DWORD got = 7;
    uint8_t buffer[16];
    EXPECT_FALSE(ReadFile(host.handle, buffer, 16, &got, nullptr));
    EXPECT_EQ(got, 0u);
    EXPECT_FALSE(host.writeRegister(kRegBulkSetup, buffer, 4));
}

TEST_F(CameraProtocol, VendorAndProductComeFromTheOptions) {
    TearDown();
    CameraOptions options;
    options.vendorId = 0x1234;
    options.productId = 0xBEEF;
    options.store = StoreKind::Empty;
    attach(options);
    DEVICE_DESCRIPTOR d{};
    ASSERT_TRUE(host.descriptor(d));
    EXPECT_EQ(d.usVendorId, 0x1234);
    EXPECT_EQ(d.usProductId, 0xBEEF);
    EXPECT_EQ(cam->imageTable()[0] & 0x70, 0x70);
}

}  // namespace
}  // namespace camera::testing
