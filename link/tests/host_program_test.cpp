// The published interface as a host program sees it: the shared library's exports, and the
// example host program run against the duovue-sim program.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "sim_process.h"

extern char** environ;

namespace {

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

uint32_t le32(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
}

int runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

struct Mean {
    double r = 0, g = 0, b = 0;
};

double distance(const Mean& m, const camera::Rgb& c) {
    const double dr = m.r - c.r, dg = m.g - c.g, db = m.b - c.b;
    return dr * dr + dg * dg + db * db;
}

}  // namespace

TEST(LinkExports, TheSharedLibraryPublishesTheElevenExportsOnly) {
    void* library = dlopen(ZENTLINK_LIBRARY_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    for (const char* name :
         {"AttachDevice", "DetachDevice", "SetPPort", "SetImgBuf", "ReadRawData", "ReadFPNFrame",
          "ReadColorData", "SetRGBYGamma", "GetRGBYGamma", "SetFlag", "SetCamera"}) {
        EXPECT_NE(dlsym(library, name), nullptr) << name;
    }
    EXPECT_EQ(dlsym(library, "_ZN8zentlink9linkStateEv"), nullptr);
    EXPECT_EQ(dlsym(library, "_ZN8zentlink11packRows555EPKhPhii"), nullptr);
    dlclose(library);
}

TEST(LinkHostProgram, WritesUprightColourFramesFromTheSimulator) {
    camera::SimProcess sim;
    const std::string folder = sim.runtimeDir() + "/frames";
    ASSERT_EQ(runProgram({"/bin/mkdir", "-p", folder}), 0);
    ASSERT_EQ(runProgram({ZENTLINK_GRAB_PATH, folder, "3"}), 0);

    const std::vector<camera::Region> regions =
        camera::Scene::builtin(camera::kLiveScene).regions(320, 240);
    ASSERT_EQ(regions.size(), 4u);
    for (int i = 0; i < 3; ++i) {
        const std::string path = folder + "/frame00" + std::to_string(i) + ".bmp";
        const std::vector<uint8_t> bmp = readFile(path);
        ASSERT_EQ(bmp.size(), 54u + 320 * 240 * 3) << path;
        EXPECT_EQ(bmp[0], 'B');
        EXPECT_EQ(bmp[1], 'M');
        EXPECT_EQ(le32(bmp, 10), 54u);
        EXPECT_EQ(le32(bmp, 18), 320u);
        EXPECT_EQ(le32(bmp, 22), 240u);
        EXPECT_EQ(bmp[28], 24);

        // Each flat region of the scene shows up where it belongs (the file's rows run bottom
        // up) in a colour nearer its own than any other region's.
        for (const camera::Region& region : regions) {
            Mean mean;
            int count = 0;
            for (int y = region.y + 20; y < region.y + region.height - 20; ++y) {
                const size_t row = 54 + static_cast<size_t>(239 - y) * 320 * 3;
                for (int x = region.x + 20; x < region.x + region.width - 20; ++x, ++count) {
                    mean.b += bmp[row + 3 * x];
                    mean.g += bmp[row + 3 * x + 1];
                    mean.r += bmp[row + 3 * x + 2];
                }
            }
            mean = {mean.r / count, mean.g / count, mean.b / count};
            for (const camera::Region& other : regions) {
                if (other.name == region.name) continue;
                EXPECT_LT(distance(mean, region.colour), distance(mean, other.colour))
                    << path << " region " << region.name;
            }
        }
    }
}
