// Shared set-up of the application tests: a headless Qt application, the virtual clock, the
// simulated camera attached in-process, and every prompt answered through the seams.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <deque>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "duovue_camera.h"
#include "main_window.h"
#include "main_window_template.h"

namespace zentdesk::testing {

// The message box of a window that finds no camera, as the user reads it.
inline const QString kNotFound = QStringLiteral("Duovue doesn't been found !");

QApplication& application();

class AppTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // Attaches a fresh simulated camera as \\.\Usbscan0.
    camera::SimCamera& plug(const camera::CameraOptions& options = {});
    void unplug();
    camera::SimCamera& cam() { return *camera_; }

    MainWindow& window();
    void closeWindow() { window_.reset(); }
    Desk& desk() { return *desk_; }
    Session& session() { return desk_->session; }

    bool enabled(int id) { return window().control(id)->isEnabled(); }
    QString text(int id);
    QImage grab();
    void click(int id);
    // Downloads with the answer to the clip question.
    void download(MessageAnswer answer = MessageAnswer::No);
    // A table of `count` 160 x 120 stills.
    static std::array<uint8_t, 256> stillsTable(int count);

    std::deque<MessageAnswer> answers;  // for Yes/No questions, oldest first (default No)
    std::vector<QString> boxes;         // every message box text
    std::vector<QString> messages;      // every message-line text
    std::vector<int> progress;          // every progress position
    std::vector<std::string> opened;    // files given to the desktop's "open"
    int modalRuns = 0;
    std::function<void(int id, const QString& text)> onShown;  // extra hook per shown text
    std::filesystem::path folder;

  private:
    platform::VirtualClock clock_;
    std::shared_ptr<camera::SimCamera> camera_;
    std::unique_ptr<Desk> desk_;
    std::unique_ptr<MainWindow> window_;
};

}  // namespace zentdesk::testing
