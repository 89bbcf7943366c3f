// "Erase": programming the erase mode empties the camera's store.
#include "session.h"

namespace zentsession {

Result Session::erase(Observer& o, bool confirm) {
    if (confirm && !o.ask("Are you sure to erase all images stored in the SDRAM ?")) {
        return Result::Declined;
    }
    if (stopRequested()) return Result::Stopped;
    SetDeviceInfo(0, 0);
    state_.hwInterface = SearchPPort();
    selectMode(zentdrv::kModeErase);
    o.progress(Stage::Erasing, 0, 1);
    o.message(text::kOpeningCamera);
    if (InitEvCam() != 0) return cameraNotFound(o);
    o.progress(Stage::Erasing, 1, 1);
    o.notice("To Erase memory is finished !!");
    return Result::Done;
}

}  // namespace zentsession
