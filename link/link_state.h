// The compact interface's single process-wide state record and the steps its exports share.
#pragma once

#include "camera_modes.h"
#include "platform.h"
#include "zentdrv.h"

namespace zentlink {

inline constexpr int kPreviewWidth = 512;  // preview image: 512 x 384, 24 bits per pixel
inline constexpr int kPreviewHeight = 384;
inline constexpr int kDefaultPortAddress = 888;  // 0x378
inline constexpr int kDefaultLevel = zentdrv::kPreviewLevel;
inline constexpr int kNoiseCaptureMode = zentdrv::kModeNoiseCapture;
inline constexpr int kEraseMode = zentdrv::kModeErase;
inline constexpr int kUsbInterface = 4;  // the only interface type that opens a camera
inline constexpr DWORD kIdleMs = 1000;

struct LinkState {
    HwInterfaceSettings linkHw;  // passed whole to SetHWInterface after every change
    ColorSettings linkColor;     // passed whole to SetColorInfo after every change
    int cameraReady;             // 1 when the last camera initialisation succeeded
    DWORD lastTick;              // attach time, then the end of the last read
    HGLOBAL previewImage;        // 512 x 384 x 24 packed bitmap, locked while held
    BITMAPINFOHEADER* previewHeader;
    BYTE* previewPixels;
    BITMAPINFOHEADER frameHeader;  // the host's frames: width, height, 16 or 24 bits
    int linkFrameWidth;
    int linkFrameHeight;
    int hostWidth;
    int hostHeight;
    int attached;  // 1 between AttachDevice and DetachDevice: the driver's memory exists
};

// The record itself: static storage, all zero at load.
LinkState& linkState();

// SetHWInterface / SetColorInfo with the whole held record.
void applyHw(const LinkState& s);
void applyColor(const LinkState& s);

// Unlocks and frees the preview image if held.
void releasePreview(LinkState& s);

// True when the interface type opens a camera; with any other the driver reads nothing.
inline bool opensCamera(const LinkState& s) {
    return s.linkHw.interfaceType == kUsbInterface;
}

// First step of every read: reopens the camera when a second or more has passed since the last
// read. False when that reinitialisation failed (the read must then stop).
bool idleReinit(LinkState& s);

}  // namespace zentlink
