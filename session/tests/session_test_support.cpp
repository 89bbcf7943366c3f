#include "session_test_support.h"

#include <cstdio>
#include <cstdlib>

namespace zentsession::testing {

namespace {

const char* placeName(Place place) {
    switch (place) {
        case Place::Gray:
            return "Gray";
        case Place::GrayThumbnail:
            return "GrayThumbnail";
        case Place::PageSlot:
            return "PageSlot";
        case Place::Preview:
            return "Preview";
    }
    return "?";
}

}  // namespace

void Recorder::message(const std::string& text) {
    log.push_back("message: " + text);
    if (onMessage) onMessage(text);
}

void Recorder::progress(Stage stage, int done, int total) {
    if (!logProgress) return;
    log.push_back("progress: " + std::to_string(static_cast<int>(stage)) + " " +
                  std::to_string(done) + "/" + std::to_string(total));
}

bool Recorder::ask(const std::string& question) {
    log.push_back("ask: " + question);
    return answer;
}

void Recorder::picture(const Picture& p) {
    log.push_back("picture: " + std::string(placeName(p.place)) + " " + std::to_string(p.slot) +
                  " " + std::to_string(p.image) + " " + std::to_string(p.width) + "x" +
                  std::to_string(p.height));
}

void Recorder::counter(Counter which, int value) {
    static constexpr const char* kNames[] = {"Images", "Stills", "Clips"};
    log.push_back("counter: " + std::string(kNames[static_cast<int>(which)]) + " " +
                  std::to_string(value));
}

void Recorder::clipSize(int width, int height) {
    log.push_back("clipSize: " + std::to_string(width) + "x" + std::to_string(height));
}

void Recorder::previewResized(int width, int height) {
    log.push_back("resized: " + std::to_string(width) + "x" + std::to_string(height));
}

std::vector<std::string> Recorder::only(const std::string& prefix) const {
    std::vector<std::string> result;
    for (const std::string& line : log) {
        if (line.rfind(prefix, 0) == 0) result.push_back(line.substr(prefix.size()));
    }
    return result;
}

void SessionTest::SetUp() {
    platform::installClock(&clock_);
    char pattern[] = "/tmp/zentsession-test-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    folder = pattern;
    session.start(103, 76);
}

void SessionTest::TearDown() {
    session.end();
    platform::detachUsbDevice(0);
    camera_.reset();
    platform::installClock(nullptr);
    std::error_code error;
    std::filesystem::remove_all(folder, error);
}

camera::SimCamera& SessionTest::plug(const camera::CameraOptions& options) {
    camera_ = std::make_shared<camera::SimCamera>(options);
    platform::attachUsbDevice(0, camera_);
    return *camera_;
}

std::array<uint8_t, 256> SessionTest::stillsTable(int count) {
    std::array<uint8_t, 256> table;
    table.fill(0x70);
    for (int i = 0; i < count && i < 256; ++i) table[i] = 0x20;
    return table;
}

std::string SessionTest::clipPath(int number) const {
    return (folder / ("clip-" + std::to_string(number) + ".avi")).string();
}

std::vector<std::string> SessionTest::folderFiles() const {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace zentsession::testing
