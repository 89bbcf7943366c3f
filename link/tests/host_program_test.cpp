// The library as a host program sees it: the shared library's exports, and the example host
// program run against the duovue-sim program.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "host_checks.h"
#include "sim_process.h"

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
    ASSERT_EQ(camera::runProgram({ZENTLINK_GRAB_PATH, folder, "3"}), 0);

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
        const auto misplaced = camera::misplacedRegions(regions, [&](int x, int y) {
            const uint8_t* p = &bmp[54 + static_cast<size_t>(239 - y) * 960 + 3 * x];
            return camera::Rgb{p[2], p[1], p[0]};
        });
        EXPECT_EQ(misplaced, std::vector<std::string>{}) << path;
    }
}
