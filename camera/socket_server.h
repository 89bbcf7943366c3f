// Serves one camera on a usbscan socket until a stop signal arrives.
#pragma once

#include <string>

#include "duovue_camera.h"

namespace camera {

// Creates the socket at `path` (and its directory), calls `ready` once it accepts
// connections, then answers every connected client's requests until SIGINT or SIGTERM. Removes
// the socket before returning. Returns 0 after a stop signal, or nonzero with `error` set when
// the socket could not be made.
int serveCamera(SimCamera& camera, const std::string& path, void (*ready)(void*), void* context,
                std::string& error);

}  // namespace camera
