// The progress line of a terminal: one line on stderr, redrawn in place. Off when stderr is not
// a terminal or with --quiet: then nothing is written but errors.
#pragma once

#include <string>
#include <string_view>

namespace duovue {

class Progress {
  public:
    Progress(int fd, bool enabled) : fd_(fd), enabled_(enabled) {}
    ~Progress() { clear(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    bool enabled() const { return enabled_; }
    // A step without a count: "opening the camera".
    void step(std::string_view name);
    // A step with a count: "pictures 3/27 11%".
    void count(std::string_view name, int done, int total);
    // Replaces the line with a closing line that stays.
    void finish(std::string_view line);
    // Removes the line (before an error message, or at the end).
    void clear();

  private:
    void draw(const std::string& text);

    int fd_;
    bool enabled_;
    bool shown_ = false;
};

}  // namespace duovue
