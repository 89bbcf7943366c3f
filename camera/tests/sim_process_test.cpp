// End to end: the real duovue-sim program, reached through the device files over its socket.
#include <sys/stat.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "camera_fixture.h"
#include "sim_process.h"

namespace camera::testing {
namespace {

namespace fs = std::filesystem;

TEST(SimProgram, ServesFramesAndTheStoreLikeTheInProcessCamera) {
    SimProcess sim({"--vendor", "abcd", "--product", "12"});
    EXPECT_NE(sim.readyLine().find("Usbscan0"), std::string::npos);
    EXPECT_TRUE(fs::exists(sim.socketPath()));
    // The same options give the same sensor and store in-process: the ground truth.
    const SimCamera truth;

    WireDriver host;
    ASSERT_TRUE(host.open(0));
    DEVICE_DESCRIPTOR d{};
    ASSERT_TRUE(host.descriptor(d));
    EXPECT_EQ(d.usVendorId, 0xABCD);
    EXPECT_EQ(d.usProductId, 0x0012);

    ASSERT_TRUE(host.applyModeCode(1));
    std::vector<uint8_t> wire;
    ASSERT_TRUE(host.transferFrame(wire, 320, 240));
    EXPECT_LE(worstDifference(truth, Scene::builtin(kLiveScene, 0), 320, 240, wire),
              kTemporalNoise);

    // One client after another: the camera keeps its state between connections.
    host.close();
    ASSERT_TRUE(host.open(0));
    WireDriver second;
    ASSERT_TRUE(second.open(0));  // and two at once do not block each other
    EXPECT_NE(second.readStatus(), -1);
    ASSERT_TRUE(host.applyModeCode(3));
    std::vector<uint8_t> table(256), store(kStoreBytes);
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    host.reads = 0;
    ASSERT_TRUE(host.bulkRead(store.data(), kStoreBytes));
    EXPECT_EQ(host.reads, 137u);
    EXPECT_TRUE(std::equal(table.begin(), table.end(), truth.imageTable().begin()));
    EXPECT_TRUE(std::equal(store.begin(), store.end(), truth.storeImage().begin()));

    ASSERT_TRUE(host.applyModeCode(2));  // erase
    ASSERT_TRUE(host.applyModeCode(3));
    ASSERT_TRUE(host.bulkRead(table.data(), 256));
    EXPECT_EQ(table[0] & 0x70, 0x70);
    host.close();
    second.close();

    EXPECT_EQ(sim.stop(), 0);
    EXPECT_FALSE(fs::exists(sim.socketPath()));  // the socket goes with the program
    EXPECT_FALSE(host.open(0));
}

TEST(SimProgram, KilledMidTransferMakesEveryCallFailWithoutHanging) {
    SimProcess sim({"--store", "full"}, 4);
    WireDriver host;
    ASSERT_TRUE(host.open(4));
    ASSERT_TRUE(host.applyModeCode(3));
    std::vector<uint8_t> store(kTableBytes + kStoreBytes);
    ASSERT_TRUE(host.bulkRead(store.data(), 256));
    EXPECT_EQ(store[kFullStoreItems] & 0x70, 0x70);
    // Unplugged while the store streams in: the read loop ends in failure.
    std::atomic<bool> killed{false};
    std::thread killer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        sim.kill();
        killed = true;
    });
    bool ok = true;
    for (int pass = 0; pass < 1000 && ok; ++pass) ok = host.bulkRead(store.data(), kStoreBytes);
    killer.join();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(killed);
    EXPECT_EQ(host.readStatus(), -1);
    EXPECT_FALSE(host.writeControl(0x09));
    EXPECT_FALSE(host.open(4));  // the socket file is left, but nobody answers
}

TEST(SimProgram, CommandLineHelpAndRefusals) {
    std::string output;
    EXPECT_EQ(SimProcess::runToEnd({"--help"}, &output), 0);
    EXPECT_NE(output.find("--store"), std::string::npos);
    EXPECT_NE(output.find(".v8-TAG.ppm"), std::string::npos);
    EXPECT_EQ(SimProcess::runToEnd({"--slot", "127"}, &output), 2);
    EXPECT_EQ(SimProcess::runToEnd({"--vendor", "xyz"}, &output), 2);
    EXPECT_EQ(SimProcess::runToEnd({"--frobnicate"}, &output), 2);

    char pattern[] = "/tmp/sim-store-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    std::ofstream(std::string(pattern) + "/readme.txt") << "not a picture";
    EXPECT_EQ(SimProcess::runToEnd({"--store", pattern}, &output), 2);
    EXPECT_NE(output.find("readme.txt"), std::string::npos);
    fs::remove_all(pattern);

    // A slot that is already served is not taken over.
    SimProcess first;
    EXPECT_EQ(SimProcess::runToEnd({}, &output), 1);
    EXPECT_NE(output.find("already"), std::string::npos);
}

}  // namespace
}  // namespace camera::testing
