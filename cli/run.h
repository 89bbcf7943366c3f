// The whole program behind main(): reads the command line, runs the command, and turns its end
// into an exit status and at most one message.
#pragma once

#include "console.h"

namespace duovue {

int run(int argc, const char* const* argv, const Console& console);

}  // namespace duovue
