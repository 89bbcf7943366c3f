// Injected faults: what the host sees when the camera misbehaves or goes away.
#include "camera_fixture.h"

namespace camera::testing {
namespace {

using CameraFaults = AttachedCamera;

TEST_F(CameraFaults, VanishedCameraFailsEveryCallAndItsNameNoLongerOpens) {
    cam->vanish();
    EXPECT_EQ(host.readStatus(), -1);
    EXPECT_FALSE(host.writeControl(0x09));
    DEVICE_DESCRIPTOR d{};
    EXPECT_FALSE(host.descriptor(d));
    std::vector<uint8_t> wire;
    EXPECT_FALSE(host.transferFrame(wire, 320, 240));
    WireDriver other;
    EXPECT_FALSE(other.open(0));
    EXPECT_TRUE(CloseHandle(host.handle));  // the handle itself still closes
    host.handle = INVALID_HANDLE_VALUE;
    cam->plugIn();
    EXPECT_TRUE(other.open(0));
    EXPECT_NE(other.readStatus(), -1);
}

TEST_F(CameraFaults, VanishAfterCallsLetsExactlyThatManyThrough) {
    cam->vanishAfterCalls(3);
    EXPECT_NE(host.readStatus(), -1);
    EXPECT_TRUE(host.writeControl(0x09));
    EXPECT_NE(host.readStatus(), -1);
    EXPECT_EQ(host.readStatus(), -1);
    EXPECT_FALSE(cam->connected());
    EXPECT_EQ(host.readStatus(), -1);
}

TEST_F(CameraFaults, VanishDuringABulkReadDeliversPartAndFails) {
    cam->vanishAfterBulkBytes(70000);
    std::vector<uint8_t> wire(76800);
    uint32_t delivered = 0;
    EXPECT_FALSE(host.bulkRead(wire.data(), 76800, &delivered));
    EXPECT_EQ(delivered, 70000u);
    EXPECT_FALSE(cam->connected());
    EXPECT_EQ(host.readStatus(), -1);
}

TEST_F(CameraFaults, ChosenRegisterCallsFail) {
    // The third status read fails, once; the mode-programming write fails, once.
    cam->failRegisterRead(kRegStatus, 2, 1);
    EXPECT_NE(host.readStatus(), -1);
    EXPECT_NE(host.readStatus(), -1);
    EXPECT_EQ(host.readStatus(), -1);
    EXPECT_NE(host.readStatus(), -1);

    cam->failRegisterWrite(kRegControl, 2, 1);
    const int before = cam->mode();
    EXPECT_FALSE(host.applyModeCode(6));
    EXPECT_EQ(cam->mode(), before);  // the failed write had no effect
    EXPECT_TRUE(host.applyModeCode(6));
    EXPECT_EQ(cam->mode(), 6);

    cam->failRegisterWrite(kRegBulkSetup, 0, SimCamera::kAlways);
    std::vector<uint8_t> wire;
    EXPECT_FALSE(host.transferFrame(wire, 320, 240));
    EXPECT_FALSE(host.transferFrame(wire, 320, 240));
    cam->clearFaults();
    EXPECT_TRUE(host.transferFrame(wire, 320, 240));
}

TEST_F(CameraFaults, ReadyBitNeverComesSoABoundedPollRunsOut) {
    cam->setReadyNever(true);
    cam->resetCounters();
    EXPECT_FALSE(host.applyModeCode(1));  // polls 4,500,001 times, then gives up
    EXPECT_EQ(cam->counters().statusReads, kPollLimit + 1);
    EXPECT_EQ(cam->controlWrites().back(), 0x00);  // the final write still happens
}

TEST_F(CameraFaults, DrainNeverEndsSoTheDrainRunsOutButTheFrameArrived) {
    cam->setDrainNeverEnds(true);
    std::vector<uint8_t> wire;
    uint32_t drainReads = 0;
    EXPECT_FALSE(host.transferFrame(wire, 160 * 2, 240, &drainReads));
    EXPECT_EQ(drainReads, kPollLimit);
    EXPECT_LE(worstDifference(*cam, cam->lastLiveScene(), 320, 240, wire), kTemporalNoise);
}

TEST_F(CameraFaults, ShortBulkReadsReportSuccessWithFewerBytes) {
    cam->setShortBulkReads(100);
    const uint8_t setup[8] = {0, 0, 0, 0, 0x00, 0xF0, 0, 0};  // 61440
    ASSERT_TRUE(host.writeRegister(kRegBulkSetup, setup, 8));
    std::vector<uint8_t> buffer(61440);
    DWORD got = 0;
    EXPECT_TRUE(ReadFile(host.handle, buffer.data(), 61440, &got, nullptr));
    EXPECT_EQ(got, 61340u);
    // The host cannot tell; the rest of the frame goes with the drain.
    std::vector<uint8_t> wire;
    uint32_t drainReads = 0;
    EXPECT_TRUE(host.transferFrame(wire, 320, 240, &drainReads));
    EXPECT_EQ(drainReads, 1u);
}

TEST_F(CameraFaults, CorruptImageTableHasNoEndMarkAndTooManyItems) {
    cam->setCorruptImageTable(true);
    ASSERT_TRUE(host.applyModeCode(3));
    std::vector<uint8_t> table(256);
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    int counted = 0;
    for (uint8_t b : table) {
        EXPECT_NE(b & 0x70, 0x70);
        counted += (b & 0x30) == 0x00 || (b & 0x30) == 0x20;
    }
    EXPECT_GT(counted, kFullStoreItems);

    std::array<uint8_t, kTableBytes> chosen{};
    chosen.fill(0x70);
    chosen[0] = 0x0F;
    chosen[1] = 0x2F;
    cam->overrideImageTable(chosen);
    ASSERT_TRUE(host.applyModeCode(3));
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    EXPECT_TRUE(std::equal(chosen.begin(), chosen.end(), table.begin()));
}

TEST_F(CameraFaults, DescriptorFailure) {
    cam->failDescriptor(true);
    DEVICE_DESCRIPTOR d{};
    EXPECT_FALSE(host.descriptor(d));
    cam->failDescriptor(false);
    EXPECT_TRUE(host.descriptor(d));
}

}  // namespace
}  // namespace camera::testing
