// The commands. Each throws a Failure for anything but success, and ReaderGone when the reader
// of stdout went away.
#pragma once

#include "console.h"
#include "options.h"
#include "session.h"

namespace duovue {

void runDevices(const Options& options, const Console& console);
void runList(const Options& options, const Console& console, zentsession::Session& session);
void runGet(const Options& options, const Console& console, zentsession::Session& session);
void runErase(const Options& options, const Console& console, zentsession::Session& session);
void runSnap(const Options& options, const Console& console, zentsession::Session& session);
void runStream(const Options& options, const Console& console, zentsession::Session& session);
void runWebcam(const Options& options, const Console& console, zentsession::Session& session);

}  // namespace duovue
