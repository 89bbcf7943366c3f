// Device search, register access, bulk reads, mode programming and frame transfer.
#include <array>

#include "driver_fixture.h"

namespace zentdrv::testing {
namespace {

using Transport = DriverTest;

TEST_F(Transport, DeviceSearch) {
    // Identifiers 0 and 0: the first name that opens, without asking for the descriptor.
    auto wrong = attach(4);
    wrong->vendorId = 0x1111;
    auto right = attach(126);
    EXPECT_EQ(OpenCamera(0, 0), 1);
    EXPECT_EQ(wrong->descriptorRequests, 0u);
    ReadStatus();
    EXPECT_EQ(wrong->statusReads, 1u);

    // Mismatches are closed and skipped up to the last name; only the low 16 bits count.
    EXPECT_EQ(OpenCamera(0x71234, 0x15678), 1);
    EXPECT_EQ(wrong->descriptorRequests, 1u);
    ReadStatus();
    EXPECT_EQ(right->statusReads, 1u);

    // Nothing matches: no usable handle is left behind.
    right->productId = 1;
    EXPECT_EQ(OpenCamera(0x1234, 0x5678), 0);
    EXPECT_EQ(ReadStatus(), -1);
}

TEST_F(Transport, RegisterWritesAndTheControlShadow) {
    auto dev = attach();
    ASSERT_EQ(OpenCamera(0, 0), 1);
    EXPECT_EQ(ReadStatus(), kReadyBit);
    EXPECT_EQ(WriteControl(0xA5), 1);
    EXPECT_EQ(GLGpioWrite(0x3C), 1);
    EXPECT_EQ(GLGpioOE(0xC3), 1);
    using W = std::pair<uint32_t, std::vector<uint8_t>>;
    EXPECT_EQ(
        dev->writes,
        (std::vector<W>{{kRegControl, {0xA5}}, {kRegGpioData, {0x3C}}, {kRegGpioOE, {0xC3}}}));
    // The shadow keeps a value whose write failed, also on a closed handle.
    dev->failWriteAt = 4;
    EXPECT_EQ(WriteControl(0x42), 0);
    EXPECT_EQ(ControlShadow(), 0x42);
    CloseCamera();
    EXPECT_EQ(WriteControl(0x17), 0);
    EXPECT_EQ(ControlShadow(), 0x17);
}

TEST_F(Transport, BulkReadsAreAnnouncedInChunksOfAtMost61440) {
    auto dev = attach();
    ASSERT_EQ(OpenCamera(0, 0), 1);
    std::vector<uint8_t> buffer(2 * kBulkChunk);
    for (auto [length, chunks] : std::vector<std::pair<uint32_t, std::vector<uint32_t>>>{
             {61440, {61440}}, {61441, {61440, 1}}, {0, {0}}, {76800, {61440, 15360}}}) {
        dev->writes.clear();
        dev->bulkLengths.clear();
        ASSERT_EQ(BulkRead(buffer.data(), length, 0), 1);
        EXPECT_EQ(dev->bulkLengths, chunks) << length;
        ASSERT_EQ(dev->writes.size(), chunks.size());
        for (size_t i = 0; i < chunks.size(); ++i) {
            const uint32_t c = chunks[i];
            EXPECT_EQ(dev->writes[i], (std::pair<uint32_t, std::vector<uint8_t>>{
                                          kRegBulkSetup,
                                          {0, 0, 0, 0, uint8_t(c), uint8_t(c >> 8),
                                           uint8_t(c >> 16), uint8_t(c >> 24)}}));
        }
    }
    // A refused announcement stops the read before its data moves.
    dev->bulkLengths.clear();
    dev->failWriteAt = dev->writes.size() + 2;
    EXPECT_EQ(BulkRead(buffer.data(), 76800, 0), 0);
    EXPECT_EQ(dev->bulkLengths, std::vector<uint32_t>{61440});
}

TEST_F(Transport, ApplyModeControlSequenceAndReadyBound) {
    auto dev = attach();
    ASSERT_EQ(OpenCamera(0, 0), 1);
    using Bytes = std::vector<uint8_t>;
    for (auto [bits, bytes] :
         std::vector<std::pair<std::array<int, 3>, Bytes>>{{{0, 0, 1}, {0x09, 0x09, 0x03, 0x00}},
                                                           {{1, 1, 0}, {0x09, 0x09, 0x0E, 0x0C}},
                                                           {{0, 0, 0}, {0x09, 0x09, 0x0B, 0x08}}}) {
        dev->writes.clear();
        EXPECT_EQ(ApplyMode(bits[0], bits[1], bits[2]), 1);
        EXPECT_EQ(dev->controlBytes(), bytes);
    }
    // Bits 4 to 7 of the shadow are carried into every byte.
    WriteControl(0x50);
    dev->writes.clear();
    ApplyMode(0, 0, 1);
    EXPECT_EQ(dev->controlBytes(), (Bytes{0x59, 0x59, 0x53, 0x50}));

    // No ready bit: one read more than the limit, the closing byte still written, result 0.
    WriteControl(0);
    dev->writes.clear();
    dev->statusReads = 0;
    dev->status = [] { return 0; };
    EXPECT_EQ(ApplyMode(0, 0, 1), 0);
    EXPECT_EQ(dev->statusReads, static_cast<uint64_t>(kPollLimit) + 1);
    EXPECT_EQ(dev->controlBytes().size(), 4u);
    // A failed status read stops at once.
    dev->writes.clear();
    dev->statusFails = true;
    EXPECT_EQ(ApplyMode(0, 0, 1), 0);
    EXPECT_EQ(dev->controlBytes().size(), 3u);
}

class Frames : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        StartToCapture();
        dev = attach();
        ASSERT_EQ(OpenCamera(0, 0), 1);
    }
    std::shared_ptr<ScriptedDevice> dev;
    std::vector<uint8_t> row = std::vector<uint8_t>(8, 0xEE);
    BYTE* rowTable[1] = {row.data()};
    RowView rows{rowTable, 8, 1, 8};
};

TEST_F(Frames, RowsAreUnpackedFromTheirEvenAndOddHalves) {
    const uint8_t wire[4] = {10, 30, 20, 40};
    dev->byteAt = [&](uint64_t, uint64_t i) { return wire[i]; };
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(row, (std::vector<uint8_t>{10, 20, 30, 40, 0xEE, 0xEE, 0xEE, 0xEE}));
}

TEST_F(Frames, WaitsAreBounded) {
    // A drain that never ends: kPollLimit drain reads, the frame still unpacked, failure.
    dev->status = [] { return kReadyBit; };
    dev->byteAt = [](uint64_t, uint64_t i) { return static_cast<uint8_t>(i + 1); };
    EXPECT_EQ(TransferFrame(rows, 4, 1), 0);
    EXPECT_EQ(dev->drainReads, static_cast<uint64_t>(kPollLimit));
    EXPECT_EQ(row[1], 3);

    // A ready bit that never comes: the wait runs out and the transfer goes on.
    dev->status = [] { return 0; };
    dev->statusReads = 0;
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(dev->statusReads, static_cast<uint64_t>(kPollLimit) + 1);
    EXPECT_EQ(dev->bulkLengths.size(), 2u);
}

TEST_F(Frames, SlowAnswersEndEveryWaitInTime) {
    // Each status read takes 100 ms: the ready wait and the drain each end after kWaitLimitMs,
    // long before their read counts, with the results the counts give.
    const uint64_t readsInTime = kWaitLimitMs / 100;
    dev->status = [this] {
        clock.advance(100);
        return 0;
    };
    EXPECT_EQ(WaitReady(kPollLimit), 0);
    EXPECT_EQ(dev->statusReads, readsInTime);
    dev->statusReads = 0;
    EXPECT_EQ(ApplyMode(0, 0, 1), 0);
    EXPECT_EQ(dev->statusReads, readsInTime);

    dev->status = [this] {
        clock.advance(100);
        return kReadyBit;
    };
    dev->statusReads = 0;
    dev->drainReads = 0;
    EXPECT_EQ(TransferFrame(rows, 4, 1), 0);
    EXPECT_EQ(dev->drainReads, readsInTime);
}

TEST_F(Frames, PendingModeIsSnappedBeforeAndProgrammedAfterTheFrame) {
    SetHWInterface(-1, 0, 0, -1, 0, 6);  // bits 1, 1, 0 requested; applied are 0, 0, 0
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_EQ(dev->controlBytes(), (std::vector<uint8_t>{0x01, 0x09, 0x09, 0x0E, 0x0C}));
    const int* applied = driverState().appliedModeBits;
    EXPECT_EQ(std::vector<int>(applied, applied + 3), (std::vector<int>{1, 1, 0}));
    dev->writes.clear();
    EXPECT_EQ(TransferFrame(rows, 4, 1), 1);
    EXPECT_TRUE(dev->controlBytes().empty());
}

TEST_F(Frames, TransferWritesNothingPastTheCallersRows) {
    // A 320 x 240 frame into a 16 x 2 8-bit output image stays inside its rows.
    std::vector<uint8_t> image(48, 0x77);
    BITMAPINFOHEADER header{40, 16, 2, 1, 8, 0, 0, 0, 0, 0, 0};
    SetImgMemory(image.data(), &header);
    dev->byteAt = [](uint64_t, uint64_t) { return uint8_t{1}; };
    EXPECT_EQ(TransferFrame(OutputView(), 320, 240), 1);
    for (size_t i = 0; i < image.size(); ++i) EXPECT_EQ(image[i], i < 32 ? 1 : 0x77) << i;
}

}  // namespace
}  // namespace zentdrv::testing
