// Device search, register access, bulk reads, mode programming and frame transfer.
#include "driver_fixture.h"

namespace zentdrv::testing {
namespace {

using Transport = DriverTest;

uint32_t announcedCount(const ScriptedDevice::Write& w) {
    return w.data[4] | (w.data[5] << 8) | (w.data[6] << 16) |
           (static_cast<uint32_t>(w.data[7]) << 24);
}

TEST_F(Transport, SearchTakesFirstDeviceWithoutDescriptorWhenIdsAreZero) {
    auto later = attach(9);
    auto first = attach(4);
    EXPECT_EQ(OpenCamera(0, 0), 1);
    EXPECT_EQ(first->descriptorRequests, 0u);
    // The open device is number 4: register traffic reaches it.
    EXPECT_GE(ReadStatus(), 0);
    EXPECT_EQ(first->statusReads, 1u);
    EXPECT_EQ(later->statusReads, 0u);
}

TEST_F(Transport, SearchSkipsMismatchingDescriptorsAndReachesTheLastName) {
    auto wrong = attach(0);
    wrong->vendorId = 0x1111;
    auto right = attach(126);
    EXPECT_EQ(OpenCamera(0x1234, 0x5678), 1);
    EXPECT_EQ(wrong->descriptorRequests, 1u);
    EXPECT_EQ(right->descriptorRequests, 1u);
    EXPECT_GE(ReadStatus(), 0);
    EXPECT_EQ(right->statusReads, 1u);
    // Only the low 16 bits of the identifiers are compared.
    EXPECT_EQ(OpenCamera(0x71234, 0x15678), 1);
}

TEST_F(Transport, SearchWithoutMatchingDeviceFailsAndLeavesNoUsableHandle) {
    auto wrong = attach(3);
    wrong->productId = 1;
    EXPECT_EQ(OpenCamera(0x1234, 0x5678), 0);
    EXPECT_EQ(ReadStatus(), -1);
    EXPECT_EQ(wrong->statusReads, 0u);
    platform::detachUsbDevice(3);
    EXPECT_EQ(OpenCamera(0, 0), 0);
}

TEST_F(Transport, RegisterCallsCarryRegisterLengthAndData) {
    auto dev = attach();
    open();
    EXPECT_EQ(ReadStatus(), kReadyBit);
    EXPECT_EQ(dev->lastReadLength, 1u);
    EXPECT_EQ(WriteControl(0xA5), 1);
    EXPECT_EQ(GLGpioWrite(0x3C), 1);
    EXPECT_EQ(GLGpioOE(0xC3), 1);
    ASSERT_EQ(dev->writes.size(), 3u);
    EXPECT_EQ(dev->writes[0].reg, RegControl);
    EXPECT_EQ(dev->writes[0].data, std::vector<uint8_t>{0xA5});
    EXPECT_EQ(dev->writes[1].reg, RegGpioData);
    EXPECT_EQ(dev->writes[1].data, std::vector<uint8_t>{0x3C});
    EXPECT_EQ(dev->writes[2].reg, RegGpioOE);
    EXPECT_EQ(dev->writes[2].data, std::vector<uint8_t>{0xC3});
    EXPECT_EQ(ControlShadow(), 0xA5);
}

TEST_F(Transport, ControlShadowKeepsAFailedWrite) {
    auto dev = attach();
    open();
    dev->failWriteAt = 1;
    EXPECT_EQ(WriteControl(0x42), 0);
    EXPECT_EQ(ControlShadow(), 0x42);
    CloseCamera();
    EXPECT_EQ(WriteControl(0x17), 0);  // closed handle: the platform call fails
    EXPECT_EQ(ControlShadow(), 0x17);
}

TEST_F(Transport, BulkReadsAreAnnouncedInChunksOfAtMost61440) {
    auto dev = attach();
    open();
    std::vector<uint8_t> buffer(2 * BulkChunk + 10);
    struct Case {
        uint32_t length;
        std::vector<uint32_t> chunks;
    };
    for (const Case& c : {Case{61440, {61440}}, Case{61441, {61440, 1}}, Case{0, {0}},
                          Case{76800, {61440, 15360}}}) {
        dev->writes.clear();
        dev->bulkLengths.clear();
        ASSERT_EQ(BulkRead(buffer.data(), c.length, 0), 1) << c.length;
        EXPECT_EQ(dev->bulkLengths, c.chunks) << c.length;
        ASSERT_EQ(dev->writes.size(), c.chunks.size());
        for (size_t i = 0; i < c.chunks.size(); ++i) {
            const auto& w = dev->writes[i];
            EXPECT_EQ(w.reg, RegBulkSetup);
            ASSERT_EQ(w.data.size(), 8u);
            EXPECT_EQ(w.data[0] | w.data[1] | w.data[2] | w.data[3], 0);
            EXPECT_EQ(announcedCount(w), c.chunks[i]);
        }
    }
    // A refused announcement stops the read before any data moves.
    dev->bulkLengths.clear();
    dev->writes.clear();
    dev->failWriteAt = 2;
    EXPECT_EQ(BulkRead(buffer.data(), 76800, 0), 0);
    EXPECT_EQ(dev->bulkLengths, std::vector<uint32_t>{61440});
}

TEST_F(Transport, ApplyModeWritesTheControlSequence) {
    auto dev = attach();
    open();
    struct Case {
        int bit0, bit2, bit3;
        std::vector<uint8_t> bytes;
    };
    for (const Case& c :
         {Case{0, 0, 1, {0x09, 0x09, 0x03, 0x00}}, Case{1, 1, 0, {0x09, 0x09, 0x0E, 0x0C}},
          Case{0, 0, 0, {0x09, 0x09, 0x0B, 0x08}}}) {
        dev->writes.clear();
        EXPECT_EQ(ApplyMode(c.bit0, c.bit2, c.bit3), 1);
        EXPECT_EQ(dev->controlBytes(), c.bytes);
    }
    // Bits 4 to 7 of the shadow are carried into every byte.
    WriteControl(0x50);
    dev->writes.clear();
    ApplyMode(0, 0, 1);
    EXPECT_EQ(dev->controlBytes(), (std::vector<uint8_t>{0x59, 0x59, 0x53, 0x50}));
}

TEST_F(Transport, ApplyModeWithoutReadyBitPollsOneMoreThanTheLimit) {
    auto dev = attach();
    open();
    dev->status = [](uint64_t) { return 0; };
    EXPECT_EQ(ApplyMode(0, 0, 1), 0);
    EXPECT_EQ(dev->statusReads, static_cast<uint64_t>(PollLimit) + 1);
    EXPECT_EQ(dev->controlBytes().size(), 4u);  // the closing byte is still written

    dev->writes.clear();
    dev->statusFails = true;
    EXPECT_EQ(ApplyMode(0, 0, 1), 0);
    EXPECT_EQ(dev->controlBytes().size(), 3u);  // a failed status read stops at once
}

class Frames : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartToCapture();
        dev = attach();
        open();
    }
    std::shared_ptr<ScriptedDevice> dev;
    std::vector<uint8_t> row = std::vector<uint8_t>(8, 0xEE);
    BYTE* rows[1] = {row.data()};
};

TEST_F(Frames, RowsAreUnpackedFromTheirEvenAndOddHalves) {
    const uint8_t wire[4] = {10, 30, 20, 40};
    dev->byteAt = [&](uint64_t, uint64_t i) { return wire[i]; };
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(std::vector<uint8_t>(row.begin(), row.begin() + 5),
              (std::vector<uint8_t>{10, 20, 30, 40, 0xEE}));
}

TEST_F(Frames, ADrainThatNeverEndsIsBoundedAndStillUnpacks) {
    dev->status = [](uint64_t) { return kReadyBit; };
    dev->byteAt = [](uint64_t, uint64_t i) { return static_cast<uint8_t>(i + 1); };
    EXPECT_EQ(TransferFrame(rows, 4, 1), 0);
    EXPECT_EQ(dev->drainReads, static_cast<uint64_t>(PollLimit));
    EXPECT_EQ(row[0], 1);
    EXPECT_EQ(row[1], 3);
}

TEST_F(Frames, ReadyBitThatNeverComesStillTransfers) {
    // Status clear for the whole first wait, then the drain sees it clear at once.
    dev->status = [](uint64_t) { return 0; };
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(dev->statusReads, static_cast<uint64_t>(PollLimit) + 1);
    EXPECT_EQ(dev->bulkLengths, std::vector<uint32_t>{4});
}

TEST_F(Frames, PendingModeIsSnappedBeforeAndProgrammedAfterTheFrame) {
    SetHWInterface(-1, 0, 0, -1, 0, 6);  // bits 1, 1, 0 requested; applied are 0, 0, 0
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(dev->controlBytes(), (std::vector<uint8_t>{0x01, 0x09, 0x09, 0x0E, 0x0C}));
    const DriverState& s = driverState();
    EXPECT_EQ(s.appliedModeBits[0], 1);
    EXPECT_EQ(s.appliedModeBits[1], 1);
    EXPECT_EQ(s.appliedModeBits[2], 0);
    dev->writes.clear();
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_TRUE(dev->controlBytes().empty());
}

TEST_F(Frames, TransferWritesNothingPastTheDriversRows) {
    // A 320 x 240 frame into the caller's 16 x 2 8-bit output image stays inside its rows.
    std::vector<uint8_t> image(16 * 2 + 16, 0x77);
    BITMAPINFOHEADER header{40, 16, 2, 1, 8, 0, 0, 0, 0, 0, 0};
    SetImgMemory(image.data(), &header);
    dev->byteAt = [](uint64_t, uint64_t) { return uint8_t{1}; };
    EXPECT_EQ(TransferFrame(driverState().outputRows, 320, 240), 1);
    for (size_t i = 0; i < image.size(); ++i) EXPECT_EQ(image[i], i < 32 ? 1 : 0x77) << i;
}

}  // namespace
}  // namespace zentdrv::testing
