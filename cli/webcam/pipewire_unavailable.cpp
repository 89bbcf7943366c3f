// The webcam in a build without libpipewire: it says so instead of publishing.
#include "pipewire_camera.h"

namespace duovue {

std::unique_ptr<FrameSink> publishPipeWireCamera(const StreamSettings&, std::string* error) {
    if (error != nullptr) *error = "this duovue was built without PipeWire (libpipewire-0.3-dev)";
    return nullptr;
}

}  // namespace duovue
