// Runs the command line in-process, as main() would, against the simulated camera attached as
// \\.\Usbscan0 on a virtual clock (opening the camera costs no time), writing into a fresh folder.
#pragma once

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "console.h"
#include "duovue_camera.h"
#include "interrupt.h"
#include "platform.h"
#include "run.h"
#include "temp_folder.h"

namespace duovue::testing {

namespace fs = std::filesystem;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

// What a file descriptor made by memfd_create holds.
inline std::string contentsOf(int fd) {
    std::string text;
    ::lseek(fd, 0, SEEK_SET);
    char buffer[65536];
    ssize_t n;
    while ((n = ::read(fd, buffer, sizeof buffer)) > 0) text.append(buffer, static_cast<size_t>(n));
    return text;
}

// Upright: each flat region of a scene, in an upright rgb24 picture, is nearer in colour to its
// own true colour than to that of the region mirrored top to bottom.
inline bool upright(const std::vector<camera::Region>& regions, const uint8_t* rgb, int width) {
    const auto distance = [&](const camera::Region& at, const camera::Rgb& c) {
        const uint8_t* p =
            rgb + (static_cast<size_t>(at.y + at.height / 2) * width + at.x + at.width / 2) * 3;
        return (p[0] - c.r) * (p[0] - c.r) + (p[1] - c.g) * (p[1] - c.g) +
               (p[2] - c.b) * (p[2] - c.b);
    };
    for (const camera::Region& region : regions) {
        for (const camera::Region& mirror : regions) {
            if (mirror.x != region.x || mirror.y == region.y) continue;
            if (distance(region, region.colour) >= distance(region, mirror.colour)) return false;
        }
    }
    return !regions.empty();
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        char runtime[] = "/tmp/duovue-cli-rt-XXXXXX";
        runtimeDir_ = ::mkdtemp(runtime);
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) oldRuntime_ = old;
        ::setenv("XDG_RUNTIME_DIR", runtimeDir_.c_str(), 1);  // no simulator socket answers
        platform::installClock(&clock_);
        resetInterrupt();
    }
    void TearDown() override {
        platform::detachUsbDevice(0);
        platform::installClock(nullptr);
        resetInterrupt();
        fs::remove_all(runtimeDir_);
        if (oldRuntime_.empty()) {
            ::unsetenv("XDG_RUNTIME_DIR");
        } else {
            ::setenv("XDG_RUNTIME_DIR", oldRuntime_.c_str(), 1);
        }
    }

    // Attaches a simulated camera (replacing any earlier one) as \\.\Usbscan<slot>.
    camera::SimCamera& plug(camera::StoreKind store = camera::StoreKind::Default, int slot = 0) {
        camera::CameraOptions options;
        options.store = store;
        camera_ = std::make_shared<camera::SimCamera>(options);
        platform::attachUsbDevice(slot, camera_);
        return *camera_;
    }
    camera::SimCamera& cam() { return *camera_; }

    // duovue with these arguments; `input` is what stdin holds.
    Outcome run(std::vector<std::string> args, const std::string& input = "") {
        args.insert(args.begin(), "duovue");
        std::vector<const char*> argv;
        for (const auto& a : args) argv.push_back(a.c_str());
        Console console;
        console.in = ::memfd_create("in", 0);
        console.out = ::memfd_create("out", 0);
        console.err = ::memfd_create("err", 0);
        if (::write(console.in, input.data(), input.size()) < 0) ADD_FAILURE() << "stdin";
        ::lseek(console.in, 0, SEEK_SET);
        Outcome outcome;
        outcome.status = duovue::run(static_cast<int>(argv.size()), argv.data(), console);
        outcome.out = contentsOf(console.out);
        outcome.err = contentsOf(console.err);
        for (int fd : {console.in, console.out, console.err}) ::close(fd);
        return outcome;
    }

    std::vector<std::string> files() const { return folder_.names(); }
    std::string path(const std::string& name) const { return dir + "/" + name; }

  private:
    TempFolder folder_;

  protected:
    const std::string dir = folder_.path();

  private:
    platform::VirtualClock clock_;
    std::shared_ptr<camera::SimCamera> camera_;
    std::string runtimeDir_;
    std::string oldRuntime_;
};

}  // namespace duovue::testing
