// The usbscan device files: name resolution, the control codes and their buffers, in-process
// devices, and the socket transport with its bounds.
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <thread>

#include "platform.h"
#include "usbscan_protocol.h"

namespace {

namespace fs = std::filesystem;

// A device that remembers the last request and answers from a small register file.
class FakeDevice : public platform::UsbDevice {
  public:
    bool readRegister(uint32_t reg, uint8_t* data, uint32_t length) override {
        for (uint32_t i = 0; i < length; ++i) data[i] = static_cast<uint8_t>(reg + i);
        return !failAll;
    }
    bool writeRegister(uint32_t reg, const uint8_t* data, uint32_t length) override {
        lastReg = reg;
        written.assign(data, data + length);
        return !failAll;
    }
    bool deviceDescriptor(DEVICE_DESCRIPTOR& out) override {
        out = {0x1111, 0x2222, 0x0100, 0x0409};
        return !failAll;
    }
    bool bulkRead(uint8_t* data, uint32_t length, uint32_t& transferred) override {
        transferred = length > 10 ? length - 10 : length;
        std::memset(data, 0xAB, transferred);
        return !failAll;
    }
    bool connected() const override { return plugged; }

    uint32_t lastReg = 0;
    std::vector<uint8_t> written;
    bool failAll = false;
    bool plugged = true;
};

HANDLE openName(const char* name) {
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       nullptr, OPEN_EXISTING, 0, nullptr);
}

// Keeps the socket search inside a private directory for the test's duration.
class PrivateRuntimeDir {
  public:
    PrivateRuntimeDir() {
        char pattern[] = "/tmp/usbscan-test-XXXXXX";
        dir_ = mkdtemp(pattern);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) old_ = old;
        setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
        ::mkdir((dir_ + "/usbscan").c_str(), 0700);  // private, as the simulator makes it
    }
    ~PrivateRuntimeDir() {
        fs::remove_all(dir_);
        if (old_.empty())
            unsetenv("XDG_RUNTIME_DIR");
        else
            setenv("XDG_RUNTIME_DIR", old_.c_str(), 1);
    }

  private:
    std::string dir_, old_;
};

class InProcessDevice : public ::testing::Test {
  protected:
    void SetUp() override { platform::attachUsbDevice(5, device); }
    void TearDown() override { platform::detachUsbDevice(5); }
    std::shared_ptr<FakeDevice> device = std::make_shared<FakeDevice>();
    PrivateRuntimeDir runtime;  // no stray simulator answers for an unattached slot
};

TEST_F(InProcessDevice, OnlyTheUsbscanNamesOpen) {
    HANDLE h = openName("\\\\.\\Usbscan5");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_FALSE(CloseHandle(h));  // already closed
    h = openName("\\\\.\\USBSCAN5");
    EXPECT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    for (const char* name : {"\\\\.\\Usbscan05", "\\\\.\\Usbscan127", "\\\\.\\Usbscan",
                             "\\\\.\\Usbscan5x", "\\\\.\\Usbscan-1", "Usbscan5", "\\\\.\\COM1",
                             "\\\\.\\Usbscan4", "\\\\.\\Usbscan99999999999"}) {
        EXPECT_EQ(openName(name), INVALID_HANDLE_VALUE) << name;
    }
    EXPECT_EQ(openName(nullptr), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
}

TEST_F(InProcessDevice, OpenFilesAreBoundedAndStaleHandlesNameNothing) {
    std::vector<HANDLE> handles;
    for (HANDLE h; (h = openName("\\\\.\\Usbscan5")) != INVALID_HANDLE_VALUE;) {
        handles.push_back(h);
        ASSERT_LE(handles.size(), 100000u);
    }
    EXPECT_GE(handles.size(), 1000u);
    const HANDLE stale = handles.back();
    ASSERT_TRUE(CloseHandle(stale));
    handles.back() = openName("\\\\.\\Usbscan5");  // the freed entry, under a new value
    ASSERT_NE(handles.back(), INVALID_HANDLE_VALUE);
    EXPECT_NE(handles.back(), stale);
    EXPECT_FALSE(CloseHandle(stale));
    for (HANDLE h : handles) EXPECT_TRUE(CloseHandle(h));
}

TEST_F(InProcessDevice, ControlCodesCheckTheirBuffers) {
    HANDLE h = openName("\\\\.\\Usbscan5");
    uint8_t out[4] = {};
    IO_BLOCK block{0x86, 1, nullptr, 0};
    DWORD returned = 0;
    ASSERT_TRUE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 1, &returned, nullptr));
    EXPECT_EQ(out[0], 0x86);
    EXPECT_EQ(returned, 1u);
    // An input smaller than the block, or an output smaller than the length, is refused.
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block - 1, out, 1,
                                 &returned, nullptr));
    block.uLength = 4;
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 2, &returned, nullptr));
    block.uLength = 300;
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 4, &returned, nullptr));

    uint8_t setup[8] = {0, 0, 0, 0, 0x00, 0xF0, 0, 0};
    IO_BLOCK write{0x82, 8, setup, 0};
    ASSERT_TRUE(DeviceIoControl(h, IOCTL_WRITE_REGISTERS, &write, sizeof write, nullptr, 0, nullptr,
                                nullptr));
    EXPECT_EQ(device->lastReg, 0x82u);
    EXPECT_EQ(device->written, std::vector<uint8_t>(setup, setup + 8));
    write.pbyData = nullptr;
    EXPECT_FALSE(DeviceIoControl(h, IOCTL_WRITE_REGISTERS, &write, sizeof write, nullptr, 0,
                                 nullptr, nullptr));

    DEVICE_DESCRIPTOR d{};
    ASSERT_TRUE(DeviceIoControl(h, IOCTL_GET_DEVICE_DESCRIPTOR, &d, sizeof d, &d, sizeof d,
                                &returned, nullptr));
    EXPECT_EQ(d.usVendorId, 0x1111);
    EXPECT_EQ(d.usProductId, 0x2222);
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_GET_DEVICE_DESCRIPTOR, &d, sizeof d, &d, 4, &returned, nullptr));
    EXPECT_FALSE(DeviceIoControl(h, 0x80002014, &block, sizeof block, out, 4, &returned, nullptr));

    std::vector<uint8_t> bulk(100);
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h, bulk.data(), 100, &got, nullptr));
    EXPECT_EQ(got, 90u);  // a short transfer is reported as such
    EXPECT_FALSE(ReadFile(h, nullptr, 100, &got, nullptr));
    CloseHandle(h);
}

TEST_F(InProcessDevice, UnpluggedOrDetachedDeviceFailsOpenHandles) {
    HANDLE h = openName("\\\\.\\Usbscan5");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    uint8_t out[1];
    IO_BLOCK block{0x86, 1, nullptr, 0};
    DWORD returned = 0;
    device->plugged = false;
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 1, &returned, nullptr));
    EXPECT_EQ(openName("\\\\.\\Usbscan5"), INVALID_HANDLE_VALUE);
    device->plugged = true;
    EXPECT_TRUE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 1, &returned, nullptr));
    platform::detachUsbDevice(5);
    EXPECT_FALSE(
        DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, out, 1, &returned, nullptr));
    EXPECT_TRUE(CloseHandle(h));
}

TEST(UsbscanSocketPath, FollowsTheRuntimeDirectory) {
    PrivateRuntimeDir runtime;
    const std::string dir = std::getenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::usbscanSocketPath(7), dir + "/usbscan/7");
    unsetenv("XDG_RUNTIME_DIR");
    EXPECT_EQ(platform::usbscanSocketPath(0), "/tmp/usbscan-" + std::to_string(getuid()) + "/0");
    setenv("XDG_RUNTIME_DIR", dir.c_str(), 1);
}

TEST(UsbscanSocketPath, OnlyAPrivateFolderOfTheUserIsAccepted) {
    PrivateRuntimeDir runtime;
    const std::string dir = std::string(std::getenv("XDG_RUNTIME_DIR")) + "/usbscan";
    EXPECT_EQ(platform::usbscanFolderProblem(dir), "");
    fs::permissions(dir, fs::perms::others_exec, fs::perm_options::add);
    EXPECT_NE(platform::usbscanFolderProblem(dir).find("open to other users"), std::string::npos);
    fs::permissions(dir, fs::perms::owner_all);
    fs::create_directory_symlink(dir, dir + "-link");
    EXPECT_NE(platform::usbscanFolderProblem(dir + "-link").find("symbolic link"),
              std::string::npos);
    std::ofstream(dir + "-file") << "x";
    EXPECT_NE(platform::usbscanFolderProblem(dir + "-file").find("not a folder"),
              std::string::npos);
}

// A one-connection server speaking the socket protocol, or misbehaving on purpose.
class FakeServer {
  public:
    enum class Behaviour { Answer, Silent, HangUp, Oversize };

    FakeServer(int slot, Behaviour behaviour) : behaviour_(behaviour) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const std::string path = platform::usbscanSocketPath(slot);
        std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
        listener_ = socket(AF_UNIX, SOCK_STREAM, 0);
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 1);
        thread_ = std::thread([this] { run(); });
    }
    ~FakeServer() {
        // The client has closed its handle by now, which ends the serving thread.
        shutdown(listener_, SHUT_RDWR);
        thread_.join();
        close(listener_);
        if (client_ >= 0) close(client_);
    }

  private:
    void run() {
        client_ = accept(listener_, nullptr, nullptr);
        if (client_ < 0) return;
        namespace proto = platform::usbscan;
        proto::Request request;
        while (recv(client_, &request, sizeof request, MSG_WAITALL) == sizeof request) {
            std::vector<uint8_t> data(request.length);
            if (request.op == static_cast<uint8_t>(proto::Op::WriteRegister) && request.length > 0)
                recv(client_, data.data(), data.size(), MSG_WAITALL);
            if (behaviour_ == Behaviour::Silent) continue;
            if (behaviour_ == Behaviour::HangUp) {
                shutdown(client_, SHUT_RDWR);
                return;
            }
            proto::Reply reply;
            reply.ok = 1;
            reply.length =
                request.op == static_cast<uint8_t>(proto::Op::WriteRegister) ? 0 : request.length;
            if (behaviour_ == Behaviour::Oversize) reply.length = request.length + 1000;
            std::fill(data.begin(), data.end(), static_cast<uint8_t>(request.reg));
            data.resize(reply.length);
            send(client_, &reply, sizeof reply, MSG_NOSIGNAL);
            send(client_, data.data(), data.size(), MSG_NOSIGNAL);
        }
    }

    Behaviour behaviour_;
    int listener_ = -1;
    int client_ = -1;
    std::thread thread_;
};

int readStatus(HANDLE h) {
    uint8_t v = 0;
    IO_BLOCK block{0x86, 1, nullptr, 0};
    DWORD returned = 0;
    return DeviceIoControl(h, IOCTL_READ_REGISTERS, &block, sizeof block, &v, 1, &returned, nullptr)
               ? v
               : -1;
}

TEST(UsbscanSocket, RequestsReachTheServerAndAnswersComeBack) {
    PrivateRuntimeDir runtime;
    EXPECT_EQ(openName("\\\\.\\Usbscan9"), INVALID_HANDLE_VALUE);  // nobody serves slot 9
    FakeServer server(9, FakeServer::Behaviour::Answer);
    HANDLE h = openName("\\\\.\\Usbscan9");
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(readStatus(h), 0x86);
    std::vector<uint8_t> bulk(61440);
    DWORD got = 0;
    ASSERT_TRUE(ReadFile(h, bulk.data(), 61440, &got, nullptr));
    EXPECT_EQ(got, 61440u);
    EXPECT_TRUE(CloseHandle(h));
}

TEST(UsbscanSocket, SilentHungUpOrBrokenPeerFailsEveryLaterCall) {
    PrivateRuntimeDir runtime;
    platform::setUsbscanTimeout(200);
    for (auto behaviour : {FakeServer::Behaviour::Silent, FakeServer::Behaviour::HangUp,
                           FakeServer::Behaviour::Oversize}) {
        FakeServer server(3, behaviour);
        HANDLE h = openName("\\\\.\\Usbscan3");
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        EXPECT_EQ(readStatus(h), -1);
        EXPECT_EQ(readStatus(h), -1);  // the handle stays dead
        DWORD got = 5;
        uint8_t buffer[8];
        EXPECT_FALSE(ReadFile(h, buffer, 8, &got, nullptr));
        EXPECT_EQ(got, 0u);
        EXPECT_TRUE(CloseHandle(h));
        unlink(platform::usbscanSocketPath(3).c_str());
    }
    platform::setUsbscanTimeout(0);
}

TEST(UsbscanSocket, SourceOfAnOpenFileAndTheRestrictionToOneNumber) {
    PrivateRuntimeDir runtime;
    FakeServer server(2, FakeServer::Behaviour::Answer);
    platform::attachUsbDevice(4, std::make_shared<FakeDevice>());
    HANDLE simulated = openName("\\\\.\\Usbscan2");
    HANDLE inProcess = openName("\\\\.\\Usbscan4");
    EXPECT_EQ(platform::usbscanSource(simulated), platform::UsbscanSource::Simulator);
    EXPECT_EQ(platform::usbscanSource(inProcess), platform::UsbscanSource::InProcess);
    CloseHandle(inProcess);
    EXPECT_EQ(platform::usbscanSource(inProcess), platform::UsbscanSource::None);

    // Restricted to 4, the served slot 2 does not open; handles already open keep working.
    platform::restrictUsbscan(4);
    EXPECT_EQ(openName("\\\\.\\Usbscan2"), INVALID_HANDLE_VALUE);
    EXPECT_EQ(readStatus(simulated), 0x86);
    inProcess = openName("\\\\.\\Usbscan4");
    EXPECT_NE(inProcess, INVALID_HANDLE_VALUE);
    CloseHandle(inProcess);
    platform::restrictUsbscan(-1);
    CloseHandle(simulated);
    simulated = openName("\\\\.\\Usbscan2");
    EXPECT_NE(simulated, INVALID_HANDLE_VALUE);
    CloseHandle(simulated);
    platform::detachUsbDevice(4);
}

}  // namespace
