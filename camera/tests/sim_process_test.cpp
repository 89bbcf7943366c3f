// End to end: the real duovue-sim program, reached through the device files over its socket.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

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

TEST(SimProgram, ASlowClientDelaysNoOtherAndIsDropped) {
    SimProcess sim;
    const int slow = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", sim.socketPath().c_str());
    ASSERT_EQ(::connect(slow, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::send(slow, "\x01", 1, MSG_NOSIGNAL), 1);  // the first byte of a request only

    WireDriver host;
    ASSERT_TRUE(host.open(0));
    for (int i = 0; i < 20; ++i) ASSERT_NE(host.readStatus(), -1) << i;

    // The unfinished request is given up: the slow client's connection is closed.
    pollfd p{slow, POLLIN, 0};
    ASSERT_EQ(::poll(&p, 1, 10000), 1);
    char byte = 0;
    EXPECT_EQ(::recv(slow, &byte, 1, 0), 0);
    ::close(slow);
    EXPECT_NE(host.readStatus(), -1);
}

TEST(SimProgram, SocketFolderMustBePrivateAndOnlySocketsAreReplaced) {
    std::string output;
    {
        SimProcess sim;
        const fs::path folder = fs::path(sim.socketPath()).parent_path();
        // A folder others may enter is neither connected to nor served.
        fs::permissions(folder, fs::perms::group_read | fs::perms::group_exec,
                        fs::perm_options::add);
        WireDriver host;
        EXPECT_FALSE(host.open(0));
        EXPECT_EQ(SimProcess::runToEnd({"--slot", "1"}, &output), 1);
        EXPECT_NE(output.find("open to other users"), std::string::npos) << output;
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_TRUE(host.open(0));
        host.close();
        EXPECT_EQ(sim.stop(), 0);

        // Whatever else sits at the socket's name is left alone.
        std::ofstream(sim.socketPath()) << "keep";
        EXPECT_EQ(SimProcess::runToEnd({}, &output), 1);
        EXPECT_NE(output.find("not a socket"), std::string::npos) << output;
        EXPECT_TRUE(fs::is_regular_file(sim.socketPath()));
        fs::remove(sim.socketPath());

        // A link in place of the folder is refused, and its target keeps its mode.
        const fs::path elsewhere = folder.parent_path() / "elsewhere";
        fs::create_directory(elsewhere);
        fs::permissions(elsewhere, fs::perms::owner_all | fs::perms::others_read);
        fs::remove_all(folder);
        fs::create_directory_symlink(elsewhere, folder);
        EXPECT_EQ(SimProcess::runToEnd({}, &output), 1);
        EXPECT_NE(output.find("symbolic link"), std::string::npos) << output;
        EXPECT_EQ(fs::status(elsewhere).permissions(),
                  fs::perms::owner_all | fs::perms::others_read);
        EXPECT_FALSE(host.open(0));
    }
}

}  // namespace
}  // namespace camera::testing
