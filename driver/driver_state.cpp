#include "driver_state.h"

namespace zentdrv {

namespace {
DriverState state;  // zero at load
}

DriverState& driverState() {
    return state;
}

}  // namespace zentdrv
