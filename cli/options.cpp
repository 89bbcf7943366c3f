#include "options.h"

#include <array>

#include "exit_status.h"
#include "number_text.h"

namespace duovue {

namespace {

constexpr unsigned bit(Command c) {
    return 1u << static_cast<unsigned>(c);
}

constexpr unsigned kGlobal = 0;
constexpr unsigned kSized = bit(Command::Snap) | bit(Command::Stream) | bit(Command::Webcam);
constexpr unsigned kPaced = bit(Command::Stream) | bit(Command::Webcam);

struct CommandSpec {
    Command command;
    std::string_view name;
};

constexpr std::array<CommandSpec, 7> kCommands{{{Command::Devices, "devices"},
                                                {Command::List, "list"},
                                                {Command::Get, "get"},
                                                {Command::Erase, "erase"},
                                                {Command::Snap, "snap"},
                                                {Command::Stream, "stream"},
                                                {Command::Webcam, "webcam"}}};

[[noreturn]] void usage(const std::string& reason) {
    throw Failure(Exit::Usage, reason);
}

std::string quoted(std::string_view text) {
    return "'" + std::string(text) + "'";
}

FrameSize frameSize(std::string_view value) {
    if (value == "320x240") return {320, 240};
    if (value == "160x120") return {160, 120};
    usage("--size must be 160x120 or 320x240, not " + quoted(value));
}

uint64_t positive(std::string_view option, std::string_view value, uint64_t max) {
    const auto number = parseDecimal(value, max);
    if (!number || *number == 0) {
        usage(std::string(option) + " needs a whole number from 1 to " + std::to_string(max) +
              ", not " + quoted(value));
    }
    return *number;
}

uint16_t hexId(std::string_view option, std::string_view value) {
    const auto id = parseHexId(value);
    if (!id)
        usage(std::string(option) + " needs a hexadecimal id (up to 4 digits), not " +
              quoted(value));
    return *id;
}

struct OptionSpec {
    std::string_view name;
    bool takesValue;
    unsigned commands;  // kGlobal: any place on the line
    void (*apply)(Options&, std::string_view);
};

const std::array<OptionSpec, 22> kOptions{{
    {"--camera", true, kGlobal,
     [](Options& o, std::string_view v) {
         const auto n = parseDecimal(v, 126);
         if (!n) usage("--camera needs a device number from 0 to 126, not " + quoted(v));
         o.camera = static_cast<int>(*n);
     }},
    {"--vendor", true, kGlobal,
     [](Options& o, std::string_view v) { o.vendorId = hexId("--vendor", v); }},
    {"--product", true, kGlobal,
     [](Options& o, std::string_view v) { o.productId = hexId("--product", v); }},
    {"--json", false, bit(Command::List), [](Options& o, std::string_view) { o.json = true; }},
    {"--dir", true, bit(Command::Get),
     [](Options& o, std::string_view v) {
         if (v.empty()) usage("--dir needs a folder");
         o.dir = v;
     }},
    {"--format", true, bit(Command::Get),
     [](Options& o, std::string_view v) {
         if (v == "png") {
             o.format = PictureFormat::Png;
         } else if (v == "bmp") {
             o.format = PictureFormat::Bmp;
         } else {
             usage("--format must be png or bmp, not " + quoted(v));
         }
     }},
    {"--gray", false, bit(Command::Get), [](Options& o, std::string_view) { o.gray = true; }},
    {"--items", true, bit(Command::Get),
     [](Options& o, std::string_view v) { o.items = ItemList::parse(v); }},
    {"--clips", true, bit(Command::Get),
     [](Options& o, std::string_view v) {
         if (v != "avi" && v != "none") usage("--clips must be avi or none, not " + quoted(v));
         o.clips = v == "avi";
     }},
    {"--skip-existing", false, bit(Command::Get),
     [](Options& o, std::string_view) {
         if (o.overwrite == Overwrite::Force)
             usage("--skip-existing and --force exclude each other");
         o.overwrite = Overwrite::SkipExisting;
     }},
    {"--force", false, bit(Command::Get),
     [](Options& o, std::string_view) {
         if (o.overwrite == Overwrite::SkipExisting) {
             usage("--skip-existing and --force exclude each other");
         }
         o.overwrite = Overwrite::Force;
     }},
    {"--quiet", false, bit(Command::Get), [](Options& o, std::string_view) { o.quiet = true; }},
    {"--yes", false, bit(Command::Erase), [](Options& o, std::string_view) { o.yes = true; }},
    {"--size", true, kSized, [](Options& o, std::string_view v) { o.size = frameSize(v); }},
    {"-o", true, bit(Command::Snap),
     [](Options& o, std::string_view v) {
         if (v.empty()) usage("-o needs a file name");
         o.output = v;
     }},
    {"--fps", true, kPaced,
     [](Options& o, std::string_view v) {
         o.fps = static_cast<int>(positive("--fps", v, kMaxFps));
     }},
    {"--frames", true, bit(Command::Stream),
     [](Options& o, std::string_view v) { o.frames = positive("--frames", v, UINT64_C(1) << 40); }},
    {"--name", true, bit(Command::Webcam),
     [](Options& o, std::string_view v) {
         if (v.empty()) usage("--name needs a text");
         o.name = v;
     }},
    {"--wait", false, bit(Command::Webcam), [](Options& o, std::string_view) { o.wait = true; }},
    {"--help", false, kGlobal, [](Options& o, std::string_view) { o.help = true; }},
    {"-h", false, kGlobal, [](Options& o, std::string_view) { o.help = true; }},
    {"--version", false, kGlobal, [](Options& o, std::string_view) { o.version = true; }},
}};

const OptionSpec* findOption(std::string_view name) {
    for (const auto& spec : kOptions) {
        if (spec.name == name) return &spec;
    }
    return nullptr;
}

}  // namespace

std::string_view commandName(Command command) {
    for (const auto& c : kCommands) {
        if (c.command == command) return c.name;
    }
    return "duovue";
}

Options parseCommandLine(int argc, const char* const* argv) {
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i] != nullptr ? argv[i] : "";
        if (arg.empty() || arg[0] != '-') {
            if (options.command != Command::None) {
                usage("unexpected " + quoted(arg) + " after " +
                      std::string(commandName(options.command)));
            }
            for (const auto& c : kCommands) {
                if (c.name == arg) options.command = c.command;
            }
            if (options.command == Command::None) usage("unknown command " + quoted(arg));
            continue;
        }
        // "--name=value" or "--name value".
        const size_t equals = arg.starts_with("--") ? arg.find('=') : std::string_view::npos;
        const std::string_view name = arg.substr(0, equals);
        const OptionSpec* spec = findOption(name);
        if (spec == nullptr) usage("unknown option " + quoted(name));
        if (spec->commands != kGlobal && (spec->commands & bit(options.command)) == 0) {
            if (options.command == Command::None) {
                usage(quoted(name) + " belongs after a command");
            }
            usage(quoted(name) + " is not an option of " +
                  std::string(commandName(options.command)));
        }
        std::string_view value;
        if (spec->takesValue) {
            if (equals != std::string_view::npos) {
                value = arg.substr(equals + 1);
            } else if (i + 1 < argc && argv[i + 1] != nullptr) {
                value = argv[++i];
            } else {
                usage(std::string(name) + " needs a value");
            }
        } else if (equals != std::string_view::npos) {
            usage(std::string(name) + " takes no value");
        }
        spec->apply(options, value);
        if (options.help || options.version) return options;
    }
    if (options.command == Command::None) usage("no command given");
    // The descriptor match takes both ids.
    if (options.vendorId && !options.productId) usage("--vendor needs --product as well");
    if (options.productId && !options.vendorId) usage("--product needs --vendor as well");
    return options;
}

}  // namespace duovue
