// The command line: global options, one command and its options.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "item_list.h"

namespace duovue {

enum class Command { None, Devices, List, Get, Erase, Snap, Stream, Webcam };

enum class PictureFormat { Png, Bmp };
enum class Overwrite { Refuse, SkipExisting, Force };

struct FrameSize {
    int width = 320;
    int height = 240;
};

struct Options {
    // Global options.
    int camera = -1;                   // \\.\UsbscanN, or -1: the first camera that answers
    std::optional<uint16_t> vendorId;  // given together with productId, or not at all
    std::optional<uint16_t> productId;
    bool help = false;  // print the help of `command` (the general help for Command::None)
    bool version = false;

    Command command = Command::None;

    bool json = false;  // list

    std::string dir = ".";  // get
    PictureFormat format = PictureFormat::Png;
    bool gray = false;
    std::optional<ItemList> items;
    bool clips = true;
    Overwrite overwrite = Overwrite::Refuse;
    bool quiet = false;

    bool yes = false;  // erase

    FrameSize size;                          // snap, stream, webcam
    std::string output = "duovue-snap.png";  // snap
    int fps = 15;                            // stream, webcam
    std::optional<uint64_t> frames;

    std::string name = "Duovue";  // webcam
    bool wait = false;
};

inline constexpr int kMaxFps = 1000;

// Reads argv[1..argc). Throws a Failure of Exit::Usage with a one-line reason. --help and
// --version end the reading where they stand.
Options parseCommandLine(int argc, const char* const* argv);

// The help text of a command, or the whole program's for Command::None.
std::string helpText(Command command);

std::string_view commandName(Command command);

}  // namespace duovue
