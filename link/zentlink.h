/**
 * @file zentlink.h
 * @brief zentlink: the compact device interface for programs that only want live frames.
 *
 * A host program attaches the camera, chooses a frame size and reads live frames into its own
 * buffer, without handling the driver's settings. It sits on zentdrv and keeps one process-wide
 * state record; no call is safe from two threads at once. Usable from C and C++.
 *
 * Every export takes five 32-bit arguments (pointers where a buffer or a result is passed) and
 * returns an int; arguments named `unused` are ignored (pass 0).
 *
 * Order of calls: AttachDevice(), SetImgBuf(), SetRGBYGamma() (the colour gains start at 0, a
 * black picture), ReadFPNFrame() (the noise frame), SetFlag() (which switches noise correction
 * on), then ReadColorData() or ReadRawData() for every frame, with setting changes in between,
 * and DetachDevice() at the end.
 *
 * Frames are delivered row 0 first, rows packed without gaps: width x height pixels of 2 bytes
 * (little-endian 5-5-5 words: red in bits 10-14, green 5-9, blue 0-4) after a 16-bit set-up, or
 * 3 bytes (blue, green, red; gray reads give three equal bytes) after a 24-bit set-up. Row 0 is
 * the first line the camera sends, the bottom line of the picture, as in a bottom-up BMP.
 *
 * When a second or more has passed since the last read (or the attach), the next read or
 * ReadFPNFrame() first reopens the camera, which takes at least 2.5 s; if that fails, the call
 * returns 0 and the next one tries again.
 */
#ifndef DUOVUE_ZENTLINK_H
#define DUOVUE_ZENTLINK_H

#include "platform.h"

/** Marks the published exports of libzentlink. */
#define ZENTLINK_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup zentlink zentlink: live frames for other programs
 *  Attach the camera, choose the frame, read frames into the host's buffer.
 *  @{ */

/* ---- Device --------------------------------------------------------------------------------- */

/**
 * Allocates the driver's memory and a 512 x 384 preview picture, and opens the camera (2.5 s).
 * A preview picture of an earlier attach is freed first. The camera's level is set to 120.
 * @param mode the camera's mode: 0 live 160 x 120, 1 live 320 x 240, 3 counts as 0. Mode 2
 *        ERASES every picture and clip stored in the camera as it opens; 6 is the
 *        noise-capture mode.
 * @param unused ignored.
 * @param interfaceType 4 for the USB camera; any other type opens no camera: the call and every
 *        read then return 0.
 * @param vendorId USB vendor id of the camera to open; 0 (with product id 0) accepts any camera;
 *        -1 keeps the one set before.
 * @param productId USB product id; -1 keeps the one set before.
 * @return 1 when the camera is open and ready; 0 when it is not (the library stays usable: a
 *         read after a second of idleness tries again), when the interface type opens no
 *         camera, or when the preview picture could not be allocated.
 */
ZENTLINK_API int AttachDevice(int mode, int unused, int interfaceType, int vendorId, int productId);

/**
 * Closes the camera and frees the driver's memory and the preview picture. Reads return 0 until
 * the next AttachDevice(). Harmless without an attach.
 * @param unused1 ignored.
 * @param unused2 ignored.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return 1.
 */
ZENTLINK_API int DetachDevice(int unused1, int unused2, int unused3, int unused4, int unused5);

/**
 * Sets the port address (kept, not used) and the interface type; a new type takes effect when
 * the camera is next opened (AttachDevice(), or a read after a second of idleness).
 * @param portAddress kept.
 * @param interfaceType 4 for the USB camera; with any other type every read returns 0.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return 1.
 */
ZENTLINK_API int SetPPort(int portAddress, int interfaceType, int unused3, int unused4,
                          int unused5);

/**
 * Sets the level the driver keeps (it does not reach the camera).
 * @param level 0..255; values outside are clamped; -1 keeps it.
 * @param unused2 ignored.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return 1.
 */
ZENTLINK_API int SetCamera(int level, int unused2, int unused3, int unused4, int unused5);

/* ---- Frames --------------------------------------------------------------------------------- */

/**
 * Chooses the frame size and the host's pixel format. The frame type is also the camera's new
 * mode (0 and 1 are the live modes), except 2, which would erase the store and leaves the mode
 * as it was. Reads deliver frames only while the host size equals the frame size.
 * @param hostWidth width of the host's frames in pixels; must equal the frame width.
 * @param hostHeight height of the host's frames in rows; must equal the frame height.
 * @param colorDepth 1 gives 16-bit 5-5-5 pixels when the host size equals the frame size; any
 *        other value (or size) gives 24-bit pixels.
 * @param frameType 0 (or 3) = 160 x 120, 1 = 320 x 240, any other = 512 x 384.
 * @param unused5 ignored.
 * @return 1.
 */
ZENTLINK_API int SetImgBuf(int hostWidth, int hostHeight, int colorDepth, int frameType,
                           int unused5);

/**
 * Reads the current frame as a gray picture (the raw colour mosaic as levels) into @p buffer.
 * @param buffer width x height pixels in the format of SetImgBuf(); null is refused.
 * @param unused2 ignored.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return 1 when a frame was delivered; 0 when not: not attached, an interface type that opens
 *         no camera, a null buffer, a host size other than the frame size (or SetImgBuf() not
 *         called), a camera that is not ready or could not be reopened, a failed transfer.
 */
ZENTLINK_API int ReadRawData(BYTE* buffer, int unused2, int unused3, int unused4, int unused5);

/**
 * Reads the current frame as a colour picture into @p buffer, through the gains, gamma and
 * white balance of SetRGBYGamma() and SetFlag(). A 16-bit buffer is written only when a frame
 * was read; a 24-bit buffer may be written also when the read failed.
 * @param buffer width x height pixels in the format of SetImgBuf(); null is refused.
 * @param unused2 ignored.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return as ReadRawData().
 */
ZENTLINK_API int ReadColorData(BYTE* buffer, int unused2, int unused3, int unused4, int unused5);

/**
 * Captures a new fixed-pattern-noise frame: the camera's noise-capture mode for the capture
 * (several frames, averaged), then back to the current mode and one more frame read. The host's
 * buffer is not touched. Call it before SetFlag(), whose noise correction subtracts this frame.
 * @param unused1 ignored.
 * @param unused2 ignored.
 * @param unused3 ignored.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return the result of the final frame read (1 read, 0 failed); 0 when not attached, when the
 *         interface type opens no camera, or when the camera could not be reopened.
 */
ZENTLINK_API int ReadFPNFrame(int unused1, int unused2, int unused3, int unused4, int unused5);

/* ---- Color ---------------------------------------------------------------------------------- */

/**
 * Sets the gains and the tone gamma of colour reads. The tone gamma applies while SetFlag() has
 * it on.
 * @param redGain red gain in 1/32 (32 = x 1.0); -1 keeps it.
 * @param greenGain green gain in 1/32; -1 keeps it.
 * @param blueGain blue gain in 1/32; -1 keeps it.
 * @param lumaGain luminance gain in 1/32; -1 keeps it.
 * @param gammaHundredths tone gamma in hundredths (80 = 0.80; stored as the float nearest to
 *        80 x 0.01 in single precision, just below 0.8).
 * @return 1.
 */
ZENTLINK_API int SetRGBYGamma(int redGain, int greenGain, int blueGain, int lumaGain,
                              int gammaHundredths);

/**
 * Reports the gains and the tone gamma the driver holds.
 * @param redGain receives the red gain in 1/32; null is skipped.
 * @param greenGain receives the green gain; null is skipped.
 * @param blueGain receives the blue gain; null is skipped.
 * @param lumaGain receives the luminance gain; null is skipped.
 * @param gammaHundredths receives the tone gamma in hundredths, truncated (80 set reads back as
 *        79); null is skipped.
 * @return the tone gamma in hundredths, as written to @p gammaHundredths.
 */
ZENTLINK_API int GetRGBYGamma(int* redGain, int* greenGain, int* blueGain, int* lumaGain,
                              int* gammaHundredths);

/**
 * Switches noise correction on (subtracting the frame of ReadFPNFrame()), and sets the
 * tone-gamma and white-balance switches of colour reads.
 * @param reserved3 kept in the interface settings, not used.
 * @param toneGammaOn 1 applies the tone gamma of SetRGBYGamma(); 0 does not.
 * @param whiteBalanceOn nonzero: the white balance is estimated before every colour frame.
 * @param unused4 ignored.
 * @param unused5 ignored.
 * @return 1.
 */
ZENTLINK_API int SetFlag(int reserved3, int toneGammaOn, int whiteBalanceOn, int unused4,
                         int unused5);

/** @} */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_ZENTLINK_H */
