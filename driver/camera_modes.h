// The camera's mode codes (the last field of SetHWInterface) and the live preview's defaults: one
// vocabulary for the programs and libraries that drive the camera through the driver.
#pragma once

namespace zentdrv {

enum CameraMode : int {
    kModeLive160 = 0,       // live frames, 160 x 120
    kModeLive320 = 1,       // live frames, 320 x 240
    kModeErase = 2,         // programming it empties the store
    kModeStoreRead = 3,     // the image table, then the whole store
    kModeNoiseCapture = 6,  // dark frames for the fixed-pattern noise
};

// The live mode of a preview size: 0 = 160 x 120, 1 = 320 x 240.
constexpr CameraMode liveMode(int sizeIndex) {
    return sizeIndex == 1 ? kModeLive320 : kModeLive160;
}

// The live preview's colour defaults (gains in 1/32) and its sensor level.
inline constexpr int kPreviewRedGain = 27;
inline constexpr int kPreviewGreenGain = 32;
inline constexpr int kPreviewBlueGain = 49;
inline constexpr int kPreviewLumaGain = 36;
inline constexpr float kPreviewGamma = 0.8f;
inline constexpr int kPreviewLevel = 120;

}  // namespace zentdrv
