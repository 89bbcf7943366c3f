// duovue: the camera from the command line.
#include <csignal>

#include "console.h"
#include "interrupt.h"
#include "run.h"

int main(int argc, char** argv) {
    // A reader that goes away shows up as EPIPE on the next write, which ends the command well.
    std::signal(SIGPIPE, SIG_IGN);
    duovue::installInterruptHandling();
    return duovue::run(argc, argv, duovue::Console::standard());
}
