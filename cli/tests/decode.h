// Reading back what the program writes, through ffmpeg and ffprobe: an independent decoder.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace duovue::testing {

// Everything a shell command writes to stdout.
inline std::string commandOutput(const std::string& command) {
    std::string out;
    if (FILE* pipe = ::popen(command.c_str(), "r")) {
        char buffer[65536];
        size_t n;
        while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) out.append(buffer, n);
        ::pclose(pipe);
    }
    return out;
}

// The pixels of a picture file as rgb24 (or gray for `pixelFormat` "gray"), top line first.
inline std::vector<uint8_t> decodePicture(const std::string& path,
                                          const std::string& pixelFormat = "rgb24") {
    const std::string raw = commandOutput(
        "ffmpeg -v error -i '" + path + "' -f rawvideo -pix_fmt " + pixelFormat + " - 2>/dev/null");
    return {raw.begin(), raw.end()};
}

// ffprobe's "key=value" lines about the first video stream of a file.
inline std::string probe(const std::string& path, const std::string& entries) {
    return commandOutput(
        "ffprobe -v error -count_frames -select_streams v:0 -show_entries "
        "stream=" +
        entries + " -of default=noprint_wrappers=1 '" + path + "'");
}

}  // namespace duovue::testing
