#include "console.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

#include "exit_status.h"
#include "output_folder.h"

namespace duovue {

Console Console::standard() {
    Console c;
    c.inIsTerminal = ::isatty(c.in) == 1;
    c.errIsTerminal = ::isatty(c.err) == 1;
    return c;
}

void Console::print(std::string_view text) const {
    if (writeAll(out, reinterpret_cast<const uint8_t*>(text.data()), text.size())) return;
    if (errno == EPIPE) throw ReaderGone{};
    throw Failure(Exit::FileFailed, std::string("cannot write to stdout: ") + std::strerror(errno));
}

void Console::printError(std::string_view text) const {
    writeAll(err, reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

}  // namespace duovue
