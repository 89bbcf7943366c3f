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
    o.message("Waiting ..... while initialize the Duovue");
    if (InitEvCam() != 0) {
        o.failed();
        o.notice(text::kNotFound);
        o.message("");
        return Result::NotFound;
    }
    o.progress(Stage::Erasing, 1, 1);
    o.notice("To Erase memory is finished !!");
    return Result::Done;
}

}  // namespace zentsession
