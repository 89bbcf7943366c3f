// The texts of --help.
#include <string>

#include "options.h"

namespace duovue {

namespace {

constexpr std::string_view kUsageLine =
    "Usage: duovue [--camera N] [--vendor HEX --product HEX] COMMAND [options]\n";

constexpr std::string_view kDevices =
    "  devices        the cameras that answer, one line each: \"usbscanN VVVV:PPPP SOURCE\"\n"
    "                 (SOURCE: simulator, in-process or usb)\n";

constexpr std::string_view kList =
    "  list [--json]  the stored items, numbered as the thumbnails number them: number, kind\n"
    "                 (still, or clip N frame K) and size; --json: an array of objects with\n"
    "                 number, kind (\"still\" or \"clip\"), clip, frame, width, height\n";

constexpr std::string_view kGet =
    "  get [--dir DIR] [--format png|bmp] [--gray] [--items LIST] [--clips avi|none]\n"
    "      [--skip-existing | --force] [--quiet]\n"
    "                 downloads the store once and writes into DIR (default: here) every\n"
    "                 still as duovue-NNN.png and every clip as duovue-clip-N.avi\n"
    "      --format bmp    write .bmp pictures\n"
    "      --gray          gray pictures instead of colour\n"
    "      --items LIST    only these image numbers, e.g. 1,3,5-7 (a clip is written when any\n"
    "                      of its frames is chosen)\n"
    "      --clips none    no clip files\n"
    "      --skip-existing keep files that exist; --force replaces them. Without either, an\n"
    "                      existing file stops the command before anything is downloaded\n"
    "      --quiet         no progress line\n";

constexpr std::string_view kErase =
    "  erase [--yes]  erases every picture on the camera; asks first on a terminal, and needs\n"
    "                 --yes anywhere else\n";

constexpr std::string_view kSnap =
    "  snap [--size 160x120|320x240] [-o FILE]\n"
    "                 one live colour frame to FILE (default duovue-snap.png; .bmp by\n"
    "                 extension); an existing FILE is not replaced\n";

constexpr std::string_view kStream =
    "  stream [--size 160x120|320x240] [--fps N] [--frames N]\n"
    "                 live colour frames as YUV4MPEG2 on stdout (4:2:0, full range), paced\n"
    "                 to N frames a second (default 15), until N frames, Ctrl-C or the reader\n"
    "                 goes away\n";

constexpr std::string_view kWebcam =
    "  webcam [--size 160x120|320x240] [--fps N] [--name TEXT] [--wait]\n"
    "                 the live picture as a PipeWire camera (\"Duovue\", or TEXT) for browsers\n"
    "                 and call programs, until Ctrl-C (exit 0); exit 2 without PipeWire, 3 when\n"
    "                 the camera stops answering, unless --wait: then it waits for the camera\n";

constexpr std::string_view kGlobal =
    "Global options:\n"
    "  --camera N                  use \\\\.\\UsbscanN (default: the first camera that answers)\n"
    "  --vendor HEX --product HEX  use a camera with these device descriptor ids\n"
    "  --help                      this text; after a command, that command's\n"
    "  --version                   the program's version\n";

constexpr std::string_view kExit =
    "Exit status: 0 success, 1 bad command line, 2 no camera answers, 3 the camera failed\n"
    "part-way, 4 a file could not be written, 130 interrupted.\n";

std::string_view commandText(Command command) {
    switch (command) {
        case Command::Devices:
            return kDevices;
        case Command::List:
            return kList;
        case Command::Get:
            return kGet;
        case Command::Erase:
            return kErase;
        case Command::Snap:
            return kSnap;
        case Command::Stream:
            return kStream;
        case Command::Webcam:
            return kWebcam;
        case Command::None:
            break;
    }
    return {};
}

}  // namespace

std::string helpText(Command command) {
    std::string text(kUsageLine);
    if (command != Command::None) {
        text += "\n";
        text += commandText(command);
        text += "\n";
        text += kGlobal;
        return text;
    }
    text += "\nThe Duovue camera from the command line.\n\nCommands:\n";
    for (Command c : {Command::Devices, Command::List, Command::Get, Command::Erase, Command::Snap,
                      Command::Stream, Command::Webcam}) {
        text += commandText(c);
    }
    text += "\n";
    text += kGlobal;
    text += "\n";
    text += kExit;
    return text;
}

}  // namespace duovue
