// The whole live road of a frame against the simulated camera, in-process and over its socket.
#include <cstdlib>

#include "duovue_camera.h"
#include "live_road.h"
#include "sim_process.h"
#include "zenthue.h"

namespace zentdrv::testing {
namespace {

class LiveRoad : public DriverTest {
  protected:
    void SetUp() override {
        DriverTest::SetUp();
        cam = std::make_shared<camera::SimCamera>();
        platform::attachUsbDevice(0, cam);
    }
    std::shared_ptr<camera::SimCamera> cam;
};

TEST_F(LiveRoad, ColourFrameIsUprightWithTheScenesColours) {
    OutputImage out(320, 240);
    ASSERT_TRUE(runLiveRoad(out, 320, 240));
    expectSceneColours(out, camera::Scene::builtin(camera::kLiveScene, 0), 320, 240);
    // White balance took the camera's cast (red strong, blue weak) out through the gains.
    ColorGainRecord gains{};
    GetColorGain(&gains);
    EXPECT_LT(gains.redGain, gains.blueGain);
}

TEST_F(LiveRoad, SmallFramesToo) {
    OutputImage out(160, 120);
    ASSERT_TRUE(runLiveRoad(out, 160, 120));
    expectSceneColours(out, camera::Scene::builtin(camera::kLiveScene, 0), 160, 120);
}

TEST(LiveRoadOverSocket, SameRoadAgainstTheSimulatorProgram) {
    platform::VirtualClock clock;
    platform::installClock(&clock);
    {
        camera::SimProcess sim;
        StartToCapture();
        OutputImage out(320, 240);
        EXPECT_TRUE(runLiveRoad(out, 320, 240));
        expectSceneColours(out, camera::Scene::builtin(camera::kLiveScene, 0), 320, 240);
        EndCapture();
        sim.stop();
    }
    platform::installClock(nullptr);
}

}  // namespace
}  // namespace zentdrv::testing
