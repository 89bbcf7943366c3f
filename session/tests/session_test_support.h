// Shared set-up of the session tests: the virtual clock, the simulated camera attached
// in-process, a started session and an observer that writes down every report in order.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "session.h"

namespace zentsession::testing {

// Every report as one line: "message: ...", "step", "ask: ...", "picture: Gray 0 0 80x60", ...
class Recorder : public Observer {
  public:
    void message(const std::string& text) override;
    void step() override { log.push_back("step"); }
    void progress(Stage stage, int done, int total) override;
    bool ask(const std::string& question) override;
    void notice(const std::string& text) override { log.push_back("notice: " + text); }
    void failed() override { log.push_back("failed"); }
    void picture(const Picture& picture) override;
    void counter(Counter which, int value) override;
    void clipSize(int width, int height) override;
    void previewResized(int width, int height) override;

    // The lines starting with `prefix`, without it.
    std::vector<std::string> only(const std::string& prefix) const;

    std::vector<std::string> log;
    bool answer = false;  // to every question
    bool logProgress = false;
    std::function<void(const std::string&)> onMessage;  // before the camera call that follows
};

class SessionTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    camera::SimCamera& plug(const camera::CameraOptions& options = {});
    camera::SimCamera& cam() { return *camera_; }
    // A table of `count` 160 x 120 stills.
    static std::array<uint8_t, 256> stillsTable(int count);
    std::string clipPath(int number) const;
    std::vector<std::string> folderFiles() const;

    Session session;
    Recorder recorder;
    std::filesystem::path folder;

  private:
    platform::VirtualClock clock_;
    std::shared_ptr<camera::SimCamera> camera_;
};

}  // namespace zentsession::testing
