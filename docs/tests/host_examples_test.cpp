// The API reference's three host examples, run as a host program runs: zenthue on a made-up
// mosaic, zentdrv and zentlink against the duovue-sim program.
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "host_checks.h"
#include "sim_process.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;

std::vector<uint8_t> readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), {}};
}

}  // namespace

TEST(HostExamples, ZenthueTurnsTheOrangeMosaicOrangeEverywhere) {
    const std::string dir = testing::TempDir();
    const std::string out = dir + "/zenthue_host.raw";
    ASSERT_EQ(camera::runProgram({ZENTHUE_HOST_PATH, out}), 0);
    const std::vector<uint8_t> pixels = readFile(out);
    ASSERT_EQ(pixels.size(), static_cast<size_t>(kWidth) * kHeight * 3);
    // Red above green above blue in every pixel, the borders included.
    for (size_t i = 0; i < pixels.size(); i += 3) {
        ASSERT_GT(pixels[i + 2], pixels[i + 1]) << "pixel " << i / 3;
        ASSERT_GT(pixels[i + 1], pixels[i]) << "pixel " << i / 3;
    }
}

// Each example writes one live frame, row 0 the bottom line of the picture; every flat region
// of the live scene must show where it belongs, in a colour nearer its own than any other's.
TEST(HostExamples, ZentdrvAndZentlinkReadUprightColourFramesFromTheSimulator) {
    camera::SimProcess sim;
    const auto regions = camera::Scene::builtin(camera::kLiveScene).regions(kWidth, kHeight);
    for (const std::string program : {ZENTDRV_HOST_PATH, ZENTLINK_HOST_PATH}) {
        const std::string out = sim.runtimeDir() + "/frame.raw";
        ASSERT_EQ(camera::runProgram({program, out}), 0) << program;
        const std::vector<uint8_t> frame = readFile(out);
        ASSERT_EQ(frame.size(), static_cast<size_t>(kWidth) * kHeight * 3) << program;
        const auto misplaced = camera::misplacedRegions(regions, [&](int x, int y) {
            const uint8_t* p = &frame[(static_cast<size_t>(kHeight - 1 - y) * kWidth + x) * 3];
            return camera::Rgb{p[2], p[1], p[0]};
        });
        EXPECT_EQ(misplaced, std::vector<std::string>{}) << program;
    }
}
