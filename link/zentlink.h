/* zentlink: the compact device interface. A host program attaches the camera, chooses a frame
   size and reads live frames into its own buffer, without handling the driver's settings.
   Usable from C and C++ host programs.

   Every export takes five 32-bit arguments (pointers where a buffer or a result is passed) and
   returns an int; arguments marked `unused` are ignored. Order of use:
   AttachDevice -> SetImgBuf -> reads and setting changes -> DetachDevice.

   Frames are delivered row 0 first, rows packed without gaps: width x height pixels of 2 bytes
   (little-endian 5-5-5 words, red in bits 10-14, green 5-9, blue 0-4) after a 16-bit set-up, or
   3 bytes (blue, green, red; gray reads give three equal bytes) after a 24-bit set-up. */
#ifndef DUOVUE_ZENTLINK_H
#define DUOVUE_ZENTLINK_H

#include "platform.h"

#define ZENTLINK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Device --------------------------------------------------------------------------------- */

/* Allocates the driver's memory and the preview image and opens the camera in `mode` (0 live
   160 x 120, 1 live 320 x 240; 3 counts as 0). `interfaceType` 4 is the USB camera; vendor and
   product id 0 accept any camera. Returns 1 when the camera is ready, 0 when it is not (the
   library stays usable: a read after a second of idleness tries again) or when the preview
   image could not be allocated. Another interface type opens no camera: 0, and every read 0.
   Mode 2 ERASES every picture and clip stored in the camera. */
ZENTLINK_API int AttachDevice(int mode, int unused, int interfaceType, int vendorId, int productId);
/* Closes the camera and frees the driver's memory and the preview image. Returns 1. */
ZENTLINK_API int DetachDevice(int unused1, int unused2, int unused3, int unused4, int unused5);
/* Sets the port address and the interface type. Returns 1. */
ZENTLINK_API int SetPPort(int portAddress, int interfaceType, int unused3, int unused4,
                          int unused5);
/* Sets the level (0..255) the driver keeps. Returns 1. */
ZENTLINK_API int SetCamera(int level, int unused2, int unused3, int unused4, int unused5);

/* ---- Frames --------------------------------------------------------------------------------- */

/* Chooses the frame: `frameType` 0 (or 3) = 160 x 120, 1 = 320 x 240, any other = 512 x 384.
   The host's frames are 16-bit when `colorDepth` is 1 and the host size equals the frame size,
   otherwise 24-bit. Reads deliver frames only while the host size equals the frame size.
   Returns 1. */
ZENTLINK_API int SetImgBuf(int hostWidth, int hostHeight, int colorDepth, int frameType,
                           int unused5);
/* Reads the current frame as a gray picture into `buffer`. 1 = frame delivered, 0 = not (not
   attached, no camera open, null buffer, host size differs from the frame size, camera not ready,
   failed transfer). */
ZENTLINK_API int ReadRawData(BYTE* buffer, int unused2, int unused3, int unused4, int unused5);
/* Reads the current frame as a color picture into `buffer`; results as ReadRawData. */
ZENTLINK_API int ReadColorData(BYTE* buffer, int unused2, int unused3, int unused4, int unused5);
/* Captures a new fixed-pattern-noise frame (the camera's noise mode for the capture, then back
   to the current mode). Returns the result of the final frame read, 0 when not attached or no
   camera is open. */
ZENTLINK_API int ReadFPNFrame(int unused1, int unused2, int unused3, int unused4, int unused5);

/* ---- Color ---------------------------------------------------------------------------------- */

/* Gains in 1/32 (32 = x 1.0); tone gamma in hundredths (100 = 1.0). Returns 1. */
ZENTLINK_API int SetRGBYGamma(int redGain, int greenGain, int blueGain, int lumaGain,
                              int gammaHundredths);
/* Writes the gains and the tone gamma in hundredths (truncated) the driver holds; null pointers
   are skipped. Returns the gamma value. */
ZENTLINK_API int GetRGBYGamma(int* redGain, int* greenGain, int* blueGain, int* lumaGain,
                              int* gammaHundredths);
/* Sets the reserved interface value, switches noise correction on, and sets the tone-gamma and
   white-balance switches. Returns 1. */
ZENTLINK_API int SetFlag(int reserved3, int toneGammaOn, int whiteBalanceOn, int unused4,
                         int unused5);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_ZENTLINK_H */
