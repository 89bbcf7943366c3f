// Storage of the engine's single state record.
#include "engine/engine_state.h"

namespace zenthue {

namespace {
// Static storage: zero-initialised when the library is loaded.
EngineState state;
}  // namespace

EngineState& engineState() {
    return state;
}

}  // namespace zenthue
