// The simulator's store folders as untrusted input: the input is a list of folder entries, each
//   kind (1 byte: 0 file, 1 folder, 2 link), name length (1), name, zero count (2, in 256-byte
//   units), data length (2), data
// (lengths little-endian). A file holds the data followed by the zeros, so whole pictures come
// from short inputs; a link points at the name the data spells. The store is built from them.
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "duovue_camera.h"

namespace {

namespace fs = std::filesystem;

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at = 0;
    bool more() const { return at < size; }
    unsigned byte() { return at < size ? data[at++] : 0; }
    unsigned word() {
        const unsigned low = byte();
        return low | byte() << 8;
    }
    std::string bytes(size_t n) {
        n = std::min(n, size - at);
        std::string s(reinterpret_cast<const char*>(data + at), n);
        at += n;
        return s;
    }
};

// A name of one path component, never empty, "." or "..".
std::string componentOf(std::string name) {
    for (char& c : name)
        if (c == '/' || c == '\0') c = '_';
    if (name.empty() || name == "." || name == "..") name += "_";
    return name;
}

fs::path scratchFolder() {
    const fs::path base = fs::exists("/dev/shm") ? fs::path("/dev/shm") : fs::temp_directory_path();
    return base / ("fuzz-sim-store-" + std::to_string(::getpid()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const fs::path folder = scratchFolder();
    fs::remove_all(folder);
    fs::create_directory(folder);

    Reader in{data, size};
    for (int entry = 0; entry < 300 && in.more(); ++entry) {
        const unsigned kind = in.byte() % 3;
        const fs::path path = folder / componentOf(in.bytes(in.byte() % 64));
        const size_t zeros = static_cast<size_t>(in.word() % 1024) * 256;
        const std::string content = in.bytes(in.word());
        std::error_code ec;
        if (kind == 1) {
            fs::create_directory(path, ec);
        } else if (kind == 2) {
            fs::create_symlink(componentOf(content), path, ec);
        } else {
            std::ofstream out(path, std::ios::binary | std::ios::trunc);
            out << content;
            out.close();
            fs::resize_file(path, content.size() + zeros, ec);
        }
    }

    camera::CameraOptions options;
    options.store = camera::StoreKind::Directory;
    options.directory = folder.string();
    try {
        camera::SimCamera camera(options);
    } catch (const camera::StoreError&) {
        // A refusal is the expected answer to most folders.
    }
    return 0;
}
