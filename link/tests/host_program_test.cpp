// The library as a host program sees it: the shared library's exports, and the example host
// program run against the duovue-sim program.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "sim_process.h"

extern char** environ;

namespace {

int runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

}  // namespace

TEST(LinkHostProgram, SharedLibraryPublishesTheElevenExportsOnly) {
    void* library = dlopen(ZENTLINK_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name :
         {"AttachDevice", "DetachDevice", "SetPPort", "SetImgBuf", "ReadRawData", "ReadFPNFrame",
          "ReadColorData", "SetRGBYGamma", "GetRGBYGamma", "SetFlag", "SetCamera"}) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    }
    EXPECT_EQ(dlsym(library, "_ZN8zentlink9linkStateEv"), nullptr);
    dlclose(library);
}

TEST(LinkHostProgram, ExampleWritesUprightColourFramesFromTheSimulator) {
    camera::SimProcess sim;
    const std::string folder = sim.runtimeDir();
    ASSERT_EQ(runProgram({ZENTLINK_GRAB_PATH, folder, "3"}), 0);

    const auto regions = camera::Scene::builtin(camera::kLiveScene).regions(320, 240);
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder + "/frame00" + std::to_string(i) + ".bmp";
        std::ifstream file(path, std::ios::binary);
        const std::vector<uint8_t> bmp{std::istreambuf_iterator<char>(file), {}};
        ASSERT_EQ(bmp.size(), 54u + 320 * 240 * 3) << path;
        const std::vector<uint8_t> header(bmp.begin(), bmp.begin() + 30);
        EXPECT_EQ(header, (std::vector<uint8_t>{'B', 'M', 0x36, 0x84, 3,  0, 0, 0, 0,    0,
                                                54,  0,   0,    0,    40, 0, 0, 0, 0x40, 1,
                                                0,   0,   240,  0,    0,  0, 1, 0, 24,   0}));

        // Each flat region of the scene shows where it belongs (the file's rows run bottom up),
        // in a colour nearer its own than any other region's.
        for (const camera::Region& region : regions) {
            double sum[3] = {};  // blue, green, red
            int count = 0;
            for (int y = region.y + 20; y < region.y + region.height - 20; ++y) {
                const uint8_t* row = &bmp[54 + static_cast<size_t>(239 - y) * 960];
                for (int x = region.x + 20; x < region.x + region.width - 20; ++x, ++count) {
                    for (int k = 0; k < 3; ++k) sum[k] += row[3 * x + k];
                }
            }
            auto distance = [&](const camera::Rgb& c) {
                const double db = sum[0] / count - c.b, dg = sum[1] / count - c.g,
                             dr = sum[2] / count - c.r;
                return db * db + dg * dg + dr * dr;
            };
            for (const camera::Region& other : regions) {
                if (other.name == region.name) continue;
                EXPECT_LT(distance(region.colour), distance(other.colour))
                    << path << " region " << region.name;
            }
        }
    }
}
