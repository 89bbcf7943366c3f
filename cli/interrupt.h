// Ctrl-C and SIGTERM. The first one asks the running command to stop: it ends at its next check
// and returns Exit::Interrupted through the usual clean-up (camera closed, temporary file
// removed). A step that does not end on its own within kInterruptGrace is cut short: the
// temporary file is removed and the program exits 130 at once (the kernel closes the camera's
// device file).
#pragma once

#include <chrono>
#include <functional>
#include <string>

namespace duovue {

inline constexpr std::chrono::milliseconds kInterruptGrace{600};

// Blocks SIGINT and SIGTERM in every thread and starts the thread that takes them. Call once
// from main(), before anything else starts a thread.
void installInterruptHandling();

// As if Ctrl-C had been pressed (tests of the in-process commands).
void requestInterrupt();
// Clears the request again (tests).
void resetInterrupt();
bool interruptRequested();
// Runs `hook` on every interrupt from now on (an empty function: nothing). The hook runs on the
// thread that takes the signal and must be quick (a stop flag).
void setInterruptHook(std::function<void()> hook);
// Throws a Failure of Exit::Interrupted when an interrupt came.
void throwIfInterrupted();
// Sleeps for `duration`, or less when an interrupt comes meanwhile.
void sleepUnlessInterrupted(std::chrono::nanoseconds duration);

// The one temporary file being written, removed when the program is cut short; "" when there
// is none. (A cut after its rename finds nothing left to remove.)
void setTempFile(const std::string& path);

}  // namespace duovue
