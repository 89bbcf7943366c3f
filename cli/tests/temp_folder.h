// A fresh folder under /tmp for a test's files, removed afterwards.
#pragma once

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

namespace duovue::testing {

class TempFolder {
  public:
    TempFolder() {
        char pattern[] = "/tmp/duovue-test-XXXXXX";
        path_ = ::mkdtemp(pattern);
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The names in the folder, sorted.
    std::vector<std::string> names() const {
        std::vector<std::string> all;
        for (const auto& e : std::filesystem::directory_iterator(path_)) {
            all.push_back(e.path().filename());
        }
        std::sort(all.begin(), all.end());
        return all;
    }

  private:
    std::string path_;
};

}  // namespace duovue::testing
