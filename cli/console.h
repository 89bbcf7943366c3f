// Where a command reads and writes: the three standard streams, and whether they are terminals.
#pragma once

#include <string_view>

namespace duovue {

struct Console {
    int in = 0;
    int out = 1;
    int err = 2;
    bool inIsTerminal = false;   // the erase question is asked only on a terminal
    bool errIsTerminal = false;  // the progress line is drawn only on a terminal

    // The console of this process.
    static Console standard();

    // Writes to stdout. Throws ReaderGone when the reader has gone away (EPIPE), a Failure of
    // Exit::FileFailed on any other error.
    void print(std::string_view text) const;
    // Writes to stderr, ignoring errors: there is nowhere left to report them.
    void printError(std::string_view text) const;
};

// The reader of stdout went away: the command ends quietly and well.
struct ReaderGone {};

}  // namespace duovue
