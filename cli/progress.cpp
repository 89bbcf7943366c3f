#include "progress.h"

#include "output_folder.h"

namespace duovue {

namespace {

constexpr std::string_view kClearLine = "\r\033[K";

}  // namespace

void Progress::draw(const std::string& text) {
    if (!enabled_) return;
    const std::string line = std::string(kClearLine) + text;
    writeAll(fd_, reinterpret_cast<const uint8_t*>(line.data()), line.size());
    shown_ = true;
}

void Progress::step(std::string_view name) {
    draw(std::string(name) + " ...");
}

void Progress::count(std::string_view name, int done, int total) {
    const int percent = total > 0 ? done * 100 / total : 100;
    draw(std::string(name) + " " + std::to_string(done) + "/" + std::to_string(total) + " " +
         std::to_string(percent) + "%");
}

void Progress::finish(std::string_view line) {
    if (!enabled_) return;
    draw(std::string(line) + "\n");
    shown_ = false;
}

void Progress::clear() {
    if (!enabled_ || !shown_) return;
    writeAll(fd_, reinterpret_cast<const uint8_t*>(kClearLine.data()), kClearLine.size());
    shown_ = false;
}

}  // namespace duovue
