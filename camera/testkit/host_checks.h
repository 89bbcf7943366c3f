// Test helpers for host programs run against the simulated camera: running a program to its
// end or reading what a command prints, and checking that a picture of a built-in scene shows its
// flat regions where they belong.
#pragma once

#include <spawn.h>
#include <stdio.h>
#include <sys/wait.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "duovue_camera.h"

extern char** environ;

namespace camera {

// Runs a program with `arguments` (the first is its path) in this process's environment and
// waits for it. Returns its exit status, or -1 when it could not run or died of a signal.
inline int runProgram(const std::vector<std::string>& arguments) {
    std::vector<char*> argv;
    for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    int status = 0;
    if (posix_spawn(&pid, argv[0], nullptr, nullptr, argv.data(), environ) != 0) return -1;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

// Everything a shell command writes to its standard output (empty when it cannot run).
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[65536];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        pclose(pipe);
    }
    return out;
}

// The non-empty lines of `text`, without their line ends.
inline std::vector<std::string> outputLines(const std::string& text) {
    std::vector<std::string> result;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end > start) result.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return result;
}

// The names of the regions whose mean colour in the picture, a quarter of their smaller side in
// from their edges, is not nearer their own colour than any other region's: empty when the
// picture is upright, unmirrored and in the scene's colours. `colourAt(x, y)` gives the
// picture's colour at (x, y), y counted from the top.
inline std::vector<std::string> misplacedRegions(const std::vector<Region>& regions,
                                                 const std::function<Rgb(int x, int y)>& colourAt) {
    std::vector<std::string> misplaced;
    for (const Region& region : regions) {
        const int margin = std::min(region.width, region.height) / 4;
        double sum[3] = {};  // red, green, blue
        int count = 0;
        for (int y = region.y + margin; y < region.y + region.height - margin; ++y) {
            for (int x = region.x + margin; x < region.x + region.width - margin; ++x, ++count) {
                const Rgb c = colourAt(x, y);
                sum[0] += c.r;
                sum[1] += c.g;
                sum[2] += c.b;
            }
        }
        const auto distance = [&](const Rgb& c) {
            const double dr = sum[0] / count - c.r, dg = sum[1] / count - c.g,
                         db = sum[2] / count - c.b;
            return dr * dr + dg * dg + db * db;
        };
        for (const Region& other : regions) {
            if (other.name != region.name && distance(other.colour) <= distance(region.colour)) {
                misplaced.emplace_back(region.name);
                break;
            }
        }
    }
    return misplaced;
}

}  // namespace camera
