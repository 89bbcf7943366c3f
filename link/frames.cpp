// Frame set-up and the three reads.
#include "link_state.h"
#include "pack555.h"
#include "zentlink.h"

using zentlink::LinkState;
using zentlink::linkState;

namespace {

// A read may run only while attached and while the host's size is the frame size chosen by
// SetImgBuf (which must have run: before it the frame size is 0 x 0).
bool hostFrameMatches(const LinkState& s) {
    return s.linkFrameWidth > 0 && s.hostWidth == s.linkFrameWidth &&
           s.hostHeight == s.linkFrameHeight;
}

// The driver's color read always writes 24-bit pixels. After a 16-bit set-up the frame is
// converted in the preview image and handed to the host as 5-5-5 words; the host's buffer is
// written only when the frame was read.
int readColor555(LinkState& s, BYTE* buffer) {
    if (s.previewPixels == nullptr) return 0;
    BITMAPINFOHEADER header = s.frameHeader;
    header.biBitCount = 24;
    SetImgMemory(s.previewPixels, &header);
    const int result = ReadColorFrame();
    if (result == 1) {
        zentlink::packRows555(s.previewPixels, buffer, s.linkFrameWidth, s.linkFrameHeight);
    }
    return result;
}

int readFrame(BYTE* buffer, bool color) {
    LinkState& s = linkState();
    // Without a camera open the driver "reads" without reading: no frame to report.
    if (s.attached == 0 || !zentlink::opensCamera(s) || buffer == nullptr || !hostFrameMatches(s))
        return 0;
    if (!zentlink::idleReinit(s)) return 0;

    int result;
    if (color && s.frameHeader.biBitCount == 16) {
        result = readColor555(s, buffer);
    } else {
        SetImgMemory(buffer, &s.frameHeader);
        result = color ? ReadColorFrame() : ReadRawFrame();
    }
    s.lastTick = GetTickCount();
    return result;
}

}  // namespace

extern "C" {

int SetImgBuf(int hostWidth, int hostHeight, int colorDepth, int frameType, int) {
    LinkState& s = linkState();
    if (frameType == 3) frameType = 0;
    s.hostWidth = hostWidth;
    s.hostHeight = hostHeight;

    switch (frameType) {
        case 0:
            s.linkFrameWidth = 160;
            s.linkFrameHeight = 120;
            break;
        case 1:
            s.linkFrameWidth = 320;
            s.linkFrameHeight = 240;
            break;
        default:
            s.linkFrameWidth = zentlink::kPreviewWidth;
            s.linkFrameHeight = zentlink::kPreviewHeight;
            break;
    }
    s.frameHeader.biSize = sizeof(BITMAPINFOHEADER);
    s.frameHeader.biPlanes = 1;
    s.frameHeader.biWidth = s.linkFrameWidth;
    s.frameHeader.biHeight = s.linkFrameHeight;

    const bool sixteen =
        colorDepth == 1 && hostWidth == s.linkFrameWidth && hostHeight == s.linkFrameHeight;
    s.frameHeader.biBitCount = sixteen ? 16 : 24;
    SetImageInfo(s.linkFrameWidth, s.linkFrameHeight, sixteen ? 2 : 3, -1);

    // The frame type is the camera's mode code, except that it never selects the erase mode:
    // the next reinitialisation would wipe the camera's store.
    if (frameType != zentlink::kEraseMode) s.linkHw.modeCode = frameType;
    zentlink::applyHw(s);
    return 1;
}

int ReadRawData(BYTE* buffer, int, int, int, int) {
    return readFrame(buffer, false);
}

int ReadColorData(BYTE* buffer, int, int, int, int) {
    return readFrame(buffer, true);
}

int ReadFPNFrame(int, int, int, int, int) {
    LinkState& s = linkState();
    if (s.attached == 0 || !zentlink::opensCamera(s) || s.previewPixels == nullptr) return 0;
    if (!zentlink::idleReinit(s)) return 0;

    SetImgMemory(s.previewPixels, s.previewHeader);
    ReadRawFrame();

    const int mode = s.linkHw.modeCode;
    s.linkHw.modeCode = zentlink::kNoiseCaptureMode;
    zentlink::applyHw(s);
    ReInitFPN();
    s.linkHw.modeCode = mode;
    zentlink::applyHw(s);

    SetImgMemory(s.previewPixels, s.previewHeader);
    const int result = ReadRawFrame();
    s.lastTick = GetTickCount();
    return result;
}

}  // extern "C"
