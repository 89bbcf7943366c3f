// Attaching and detaching the camera, and the interface settings.
#include "link_state.h"
#include "zentlink.h"

using zentlink::LinkState;
using zentlink::linkState;

extern "C" {

int AttachDevice(int mode, int /*unused*/, int interfaceType, int vendorId, int productId) {
    LinkState& s = linkState();
    // A second attach without a detach would otherwise leak the first preview image.
    zentlink::releasePreview(s);

    StartToCapture();
    SetDeviceInfo(vendorId, productId);

    if (interfaceType == 0 || interfaceType == 1) {
        s.linkHw = SearchPPort();
    } else {
        s.linkHw.portAddress = zentlink::kDefaultPortAddress;
    }
    s.linkHw.interfaceType = interfaceType;
    s.linkHw.reserved3 = 1;
    s.linkHw.level = zentlink::kDefaultLevel;
    s.linkHw.reserved5 = 1;
    // Mode 3 (store read) is taken as the 160 x 120 live mode.
    s.linkHw.modeCode = mode == zentdrv::kModeStoreRead ? zentdrv::kModeLive160 : mode;
    zentlink::applyHw(s);

    const int status = InitEvCam();
    s.cameraReady = status == 0 && zentlink::opensCamera(s) ? 1 : 0;
    // Status 3: the driver's memory could not be allocated; reads must not run on it.
    s.attached = status == 3 ? 0 : 1;
    s.lastTick = GetTickCount();

    HGLOBAL image = GetImgHandle(zentlink::kPreviewWidth, zentlink::kPreviewHeight, 3);
    if (image == nullptr) return 0;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(image));
    if (header == nullptr) {
        GlobalFree(image);
        return 0;
    }
    s.previewImage = image;
    s.previewHeader = header;
    s.previewPixels = reinterpret_cast<BYTE*>(header) + header->biSize;
    return s.cameraReady;
}

int DetachDevice(int, int, int, int, int) {
    LinkState& s = linkState();
    EndCapture();
    zentlink::releasePreview(s);
    s.attached = 0;
    return 1;
}

int SetPPort(int portAddress, int interfaceType, int, int, int) {
    LinkState& s = linkState();
    s.linkHw.portAddress = portAddress;
    s.linkHw.interfaceType = interfaceType;
    zentlink::applyHw(s);
    return 1;
}

int SetCamera(int level, int, int, int, int) {
    LinkState& s = linkState();
    s.linkHw.level = level;
    zentlink::applyHw(s);
    return 1;
}

}  // extern "C"
