// duovue-sim: the simulated Duovue camera, served on a usbscan socket until SIGINT or SIGTERM.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "duovue_camera.h"
#include "platform.h"
#include "socket_server.h"

namespace {

constexpr const char* kHelp = R"(Usage: duovue-sim [--slot N] [--store default|empty|full|DIR]
                  [--vendor HEX --product HEX] [--seed S]

Simulates a Duovue camera attached as the still-image device \\.\UsbscanN. The camera is
served on the Unix socket $XDG_RUNTIME_DIR/usbscan/N (/tmp/usbscan-<uid>/N when
XDG_RUNTIME_DIR is unset) until SIGINT or SIGTERM, which remove the socket. One line is
printed when the camera is ready. Clients may connect one after another or at once.

  --slot N          device number N, 0 to 126 (default 0)
  --store KIND      what the camera's memory holds:
                      default  a dozen stills of distinct scenes at 320 x 240 and 160 x 120
                               and three V8 clips of moving scenes (27 items)
                      empty    nothing
                      full     107 stills
                      DIR      the binary PPM (P6, maxval 255) files of the directory DIR,
                               in name order, one stored item each. Every file must be
                               320 x 240 or 160 x 120. A file named *.v8-TAG.ppm is a frame of
                               a V8 clip; consecutive clip frames with the same TAG form one
                               clip, and the clip-marker bit toggles from one clip to the
                               next. Anything else in DIR, or a wrong size, is refused
                               (exit status 2).
  --vendor HEX      vendor id of the device descriptor (default 1D5C)
  --product HEX     product id of the device descriptor (default 0A15)
  --seed S          seed of the sensor's fixed pattern, stuck pixels and noise (default 1)
  --help            this text

Exit status: 0 after a stop signal, 1 when the socket cannot be made, 2 for a bad command
line or a store that cannot be built.
)";

int usage(const std::string& message) {
    std::fprintf(stderr, "duovue-sim: %s\nTry 'duovue-sim --help'.\n", message.c_str());
    return 2;
}

bool parseNumber(const char* text, int base, unsigned long max, unsigned long& out) {
    if (text == nullptr || *text == '\0') return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long v = std::strtoul(text, &end, base);
    if (errno != 0 || *end != '\0' || v > max || text[0] == '-' || text[0] == '+') return false;
    out = v;
    return true;
}

struct ReadyContext {
    int slot;
    std::string path;
    int items;
};

void announceReady(void* context) {
    const auto* c = static_cast<const ReadyContext*>(context);
    std::printf("duovue-sim: serving \\\\.\\Usbscan%d on %s (%d stored items)\n", c->slot,
                c->path.c_str(), c->items);
    std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
    // A reader of our output that goes away must not take the camera with it.
    std::signal(SIGPIPE, SIG_IGN);
    camera::CameraOptions options;
    unsigned long slot = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            std::fputs(kHelp, stdout);
            return 0;
        }
        const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long number = 0;
        if (arg == "--slot") {
            if (!parseNumber(value, 10, 126, slot)) return usage("--slot needs a number 0 to 126");
        } else if (arg == "--store") {
            if (value == nullptr || *value == '\0') return usage("--store needs a kind or DIR");
            const std::string kind = value;
            if (kind == "default") {
                options.store = camera::StoreKind::Default;
            } else if (kind == "empty") {
                options.store = camera::StoreKind::Empty;
            } else if (kind == "full") {
                options.store = camera::StoreKind::Full;
            } else {
                options.store = camera::StoreKind::Directory;
                options.directory = kind;
            }
        } else if (arg == "--vendor" || arg == "--product") {
            if (!parseNumber(value, 16, 0xFFFF, number))
                return usage(arg + " needs a hexadecimal id 0 to FFFF");
            (arg == "--vendor" ? options.vendorId : options.productId) =
                static_cast<uint16_t>(number);
        } else if (arg == "--seed") {
            if (!parseNumber(value, 10, 0xFFFFFFFFul, number))
                return usage("--seed needs a number 0 to 4294967295");
            options.seed = static_cast<uint32_t>(number);
        } else {
            return usage("unknown argument '" + arg + "'");
        }
        ++i;
    }

    std::unique_ptr<camera::SimCamera> cam;
    try {
        cam = std::make_unique<camera::SimCamera>(options);
    } catch (const camera::StoreError& e) {
        std::fprintf(stderr, "duovue-sim: cannot build the store: %s\n", e.what());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "duovue-sim: %s\n", e.what());
        return 2;
    }

    ReadyContext ready{static_cast<int>(slot), platform::usbscanSocketPath(static_cast<int>(slot)),
                       cam->countedItems()};
    std::string error;
    const int status = camera::serveCamera(*cam, ready.path, announceReady, &ready, error);
    if (status != 0) std::fprintf(stderr, "duovue-sim: %s\n", error.c_str());
    return status;
}
