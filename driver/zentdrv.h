/**
 * @file zentdrv.h
 * @brief zentdrv: the Duovue camera driver. Usable from C and C++ host programs.
 *
 * The driver opens the camera, programs its mode, reads live frames (gray or colour) into the
 * caller's packed bitmap, captures the sensor's fixed-pattern noise, and downloads the camera's
 * store of pictures. It keeps one process-wide state record; no call is safe from two threads
 * at once.
 *
 * Order of calls for live frames:
 * 1. StartToCapture() (the driver's working memory);
 * 2. SetDeviceInfo(), SetHWInterface() (the mode: 0 or 1 for live frames), SetImageInfo();
 * 3. GetImgHandle() for the output picture, then SetImgMemory() with its pixels and header;
 * 4. InitEvCam() (opens the camera, 2.5 s);
 * 5. optionally ReInitFPN() with mode 6, then the live mode again, and noise correction on in
 *    SetImageInfo();
 * 6. SetColorInfo(), then ReadColorFrame() or ReadRawFrame() for every frame;
 * 7. EndCapture(), and GlobalFree() of the output picture.
 *
 * Order of calls for the store: StartToCapture(), SetDeviceInfo(), SetImageInfo(),
 * SetHWInterface() with mode 1, InitEvCam(), ReInitFPN() with mode 6, SetHWInterface() with
 * mode 3, DloadSDRAM_Header(), DloadSDRAM(), then GetRawImage(), GetColorImage() or DumpSDRAM()
 * as often as needed, and EndCapture().
 *
 * Every frame (live or stored) has row 0 first in memory: the first line the camera sends, which
 * is the bottom line of the picture, as in a bottom-up bitmap. Every wait on the camera ends
 * after about 4.5 million status reads or 3 s on the platform clock, whichever comes first; a
 * camera that stops answering makes the call fail.
 */
#ifndef DUOVUE_ZENTDRV_H
#define DUOVUE_ZENTDRV_H

#include "platform.h"

/** Marks the published exports of libzentdrv. */
#define ZENTDRV_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup zentdrv zentdrv: the camera driver
 *  Opening the camera, live frames, fixed-pattern noise, colour settings and the store.
 *  @{ */

/* ---- Records ------------------------------------------------------------------------------- */

/** The device identifiers InitEvCam() looks for (0 and 0 accept any camera). */
typedef struct DeviceInfo {
    int vendorId;  /**< USB vendor id, compared as 16 bits; 0 with productId 0: any camera */
    int productId; /**< USB product id, compared as 16 bits */
} DeviceInfo;

/** The six ints of SetHWInterface(), as GetHWInterface() and SearchPPort() return them. */
typedef struct HwInterfaceSettings {
    int interfaceType; /**< 4 = the USB camera; any other type opens no device */
    int portAddress;   /**< not used by the driver; reads back as 0 */
    int reserved3;     /**< not used by the driver; reads back as 0 */
    int level;         /**< a value of 0..255 the driver keeps; it does not reach the camera */
    int reserved5;     /**< not used by the driver; reads back as 0 */
    /** The camera's mode: 0 live 160 x 120, 1 live 320 x 240, 2 erase the store, 3 read the
        store, 6 capture noise (4, 5 are further camera modes with no use here). */
    int modeCode;
} HwInterfaceSettings;

/** The four ints of SetImageInfo(), as GetImageInfo() writes them. */
typedef struct ImageInfo {
    int width;       /**< pixels of a frame that are corrected and converted, at most 512 */
    int height;      /**< rows of a frame that are corrected and converted, at most 512 */
    int displayType; /**< output of gray reads: 1 = 8-bit raw, 2 = 16-bit 5-5-5 gray, 3 = 24-bit */
    int fpnOn;       /**< nonzero: frames are corrected with the noise frame of ReInitFPN() */
} ImageInfo;

/** The twelve fields of SetColorInfo(), as GetColorInfo() returns them. Gains in 1/32. */
typedef struct ColorSettings {
    int redGain;   /**< red gain in 1/32 (32 = x 1.0) */
    int greenGain; /**< green gain in 1/32 */
    int blueGain;  /**< blue gain in 1/32 */
    int lumaGain;  /**< luminance gain in 1/32 */
    /** White balance: 0 off; live frames balance before every frame for any value above 0;
        stored pictures track (1) or estimate (2) the balance. */
    int awbMode;
    float gamma1;    /**< luminance gamma, kept; not applied by the driver */
    float gamma2;    /**< tone gamma (e.g. 0.8) */
    int lumaGammaOn; /**< luminance-gamma switch of the last colour picture's conversion */
    int gamma2On;    /**< tone-gamma switch (the last colour picture's, from GetColorInfo()) */
    int reserved10;  /**< kept for the caller */
    int enhanceOn;   /**< nonzero: GetColorImage() makes colours more vivid (ColorEnhance) */
    int reserved12;  /**< ignored; reads back as 0 */
} ColorSettings;

/* ---- Camera set-up and configuration ------------------------------------------------------ */

/**
 * Opens the camera and programs the mode set by SetHWInterface(). Waits 2.5 s first (the
 * camera's start-up), whatever follows. A camera opened by an earlier call is closed first. With
 * interface type 4 the device files `\\.\Usbscan0` to `\\.\Usbscan126` are tried in turn until one
 * matches SetDeviceInfo(); any other interface type opens nothing and reports success (reads
 * then read nothing and still return 1). Call after StartToCapture() and the set-up calls.
 * @return 0 the camera is open and its mode programmed; 1 no matching camera, or the mode could
 *         not be programmed; 2 a width or height of SetImageInfo() above 512; 3 no working
 *         memory (StartToCapture() not called, or its allocation failed).
 */
ZENTDRV_API int InitEvCam(void);

/**
 * Chooses the camera InitEvCam() opens.
 * @param vendorId USB vendor id; -1 keeps the current one; 0 with productId 0 accepts any.
 * @param productId USB product id; -1 keeps the current one.
 * @return 1.
 */
ZENTDRV_API int SetDeviceInfo(int vendorId, int productId);

/** @return the vendor and product ids set by SetDeviceInfo() (0 and 0 before any call). */
ZENTDRV_API DeviceInfo GetDeviceInfo(void);

/**
 * Sets the interface type, the level and the camera's mode. A new mode reaches the camera at the
 * next InitEvCam() or during the next frame read; the frame size follows from the mode.
 * @param interfaceType 4 for the USB camera; -1 keeps the current type.
 * @param portAddress ignored.
 * @param reserved3 ignored.
 * @param level kept by the driver, clamped to 0..255; -1 keeps it.
 * @param reserved5 ignored.
 * @param modeCode 0 live 160 x 120, 1 live 320 x 240, 2 erase (the camera empties its store when
 *        the mode is programmed), 3 read the store, 6 capture noise, 4 and 5 further camera
 *        modes; -1 keeps the mode; any other value counts as 0. Modes 3 to 6 keep the frame size
 *        of the last live mode.
 */
ZENTDRV_API void SetHWInterface(int interfaceType, int portAddress, int reserved3, int level,
                                int reserved5, int modeCode);

/** @return the interface type, level and mode code set by SetHWInterface(); the other fields
    are 0. */
ZENTDRV_API HwInterfaceSettings GetHWInterface(void);

/**
 * A starting record for SetHWInterface(): there is no parallel port to search.
 * @return the current interface type, and zeros in the other fields.
 */
ZENTDRV_API HwInterfaceSettings SearchPPort(void);

/**
 * Sets the area of a frame that is corrected and converted, the output of gray reads and the
 * noise-correction switch.
 * @param width pixels, at most 512 (InitEvCam() refuses more); normally the frame width of the
 *        mode; -1 keeps the current width.
 * @param height rows, at most 512; normally the frame height of the mode; -1 keeps it.
 * @param displayType 1 = 8-bit raw, 2 = 16-bit gray (5-5-5 words), 3 = 24-bit; 0 keeps it.
 * @param fpnOn nonzero: subtract the noise frame of ReInitFPN(); 0: only undo the camera's
 *        complement of every sample; -1 keeps the switch.
 * @return 1.
 */
ZENTDRV_API int SetImageInfo(int width, int height, int displayType, int fpnOn);

/**
 * Writes the four ImageInfo ints (width, height, display type, noise switch) to @p out.
 * @param out four ints; null is refused.
 * @return @p out, or null when @p out is null.
 */
ZENTDRV_API int* GetImageInfo(int* out);

/**
 * Describes the caller's output picture, into which the reads write: row r starts
 * r x biWidth x biBitCount / 8 bytes after @p pixels, for the driver and for the colour engine
 * alike. The picture stays the caller's and must outlive the reads. Call after StartToCapture(),
 * and again after GetColorImage() before the next ReadColorFrame().
 * @param pixels the first byte of row 0 (for a block of GetImgHandle(): the byte after the
 *        40-byte header); null is refused.
 * @param header the picture's header (biWidth, biHeight, biBitCount); null, or biHeight above
 *        1024, is refused and changes nothing.
 * @return 1 when the picture is described to the driver and the colour engine; 0 when refused,
 *         or when StartToCapture() has not run (the picture is then recorded for gray reads).
 */
ZENTDRV_API int SetImgMemory(BYTE* pixels, BITMAPINFOHEADER* header);

/**
 * Allocates a zero-filled movable packed bitmap: the 40-byte BITMAPINFOHEADER (biSizeImage set),
 * then the rows, no colour table. Returned unlocked: GlobalLock() it for the header, the pixels
 * follow it; free it with GlobalFree().
 * @param width pixels, rounded up to a multiple of 4 (the header's biWidth).
 * @param height rows.
 * @param displayType 3 = 24 bits per pixel, 2 = 16 bits, any other = 8 bits.
 * @return the handle; null when width and height are both 0, either is negative, the pixels
 *         would exceed 4 GB, or the allocation fails.
 */
ZENTDRV_API HGLOBAL GetImgHandle(int width, int height, int displayType);

/** The driver's version. @return 0x0100. */
ZENTDRV_API int GetZent15Ver(void);

/* ---- Live capture and frame reading ------------------------------------------------------- */

/**
 * Allocates the driver's working memory: a 1024 x 768 24-bit work image, the 512 x 512 noise
 * image and the 8 MB store block (which also receives every frame transfer). Blocks of an
 * earlier call are freed first; the noise frame starts empty. Does not touch the camera. A block
 * that cannot be allocated stays missing, and InitEvCam() then returns 3.
 * @return 1.
 */
ZENTDRV_API int StartToCapture(void);

/**
 * Frees the driver's working memory and, with interface type 4, closes the camera. The caller's
 * output picture stays the caller's. Call StartToCapture() before using the driver again.
 * @return 1.
 */
ZENTDRV_API int EndCapture(void);

/**
 * Reads one live frame as a gray picture into the output picture of SetImgMemory(): the raw
 * colour mosaic (red, green / green, blue cells) with the camera's complement undone, or with
 * the noise frame subtracted when noise correction is on. Display type 1 writes 8-bit samples,
 * 2 16-bit 5-5-5 gray words, 3 three equal bytes; never more rows or bytes than the output
 * picture holds. The frame size is the mode's (160 x 120 or 320 x 240); a pending mode change is
 * programmed into the camera during the read.
 * @return 1 when a frame was read (also with an interface type other than 4, which reads
 *         nothing); 0 when the read failed: erase mode, no working memory, a failed transfer or
 *         a camera that does not answer.
 */
ZENTDRV_API int ReadRawFrame(void);

/**
 * Reads one live frame and converts it into a 24-bit colour picture (bytes blue, green, red) in
 * the output picture of SetImgMemory(), through the colour settings of SetColorInfo(). Converts
 * the SetImageInfo() area, never more than the output picture holds; converts nothing when
 * SetImgMemory() has not described a picture since StartToCapture(). After GetColorImage() the
 * colour engine writes into that call's picture until SetImgMemory() is called again.
 * @return the result of the read, as ReadRawFrame(); after a failed read the picture holds the
 *         conversion of the previous frame.
 */
ZENTDRV_API int ReadColorFrame(void);

/* ---- Fixed-pattern noise ------------------------------------------------------------------ */

/**
 * Captures the sensor's noise without averaging it and shows it. Display type 1: one frame
 * straight into the output picture; 2 or 3: two frames into the noise image, which is then
 * written into the output picture as gray. Other display types do nothing.
 * @return 1 when the frames were read (or nothing was to be done); 0 when a read failed.
 */
ZENTDRV_API int ReadNoise(void);

/**
 * Captures the noise frame that noise correction subtracts: reads one frame (thrown away, so a
 * new mode settles), then two raw frames into the noise image, then averages five more frames
 * into it, and sets the correction's level offset from the noise's brightest sample. Set mode 6
 * with SetHWInterface() before, and the live mode again after.
 * @return 1 when every read succeeded (also with an interface type other than 4); 0 otherwise.
 */
ZENTDRV_API int ReInitFPN(void);

/* ---- Color settings ----------------------------------------------------------------------- */

/**
 * Stores the colour settings and programs the colour engine for live frames: the gains, the
 * tone gamma (on when @p gamma2On is above 0), and a white balance estimated before every frame
 * whenever @p awbMode is above 0. Stored pictures (GetColorImage()) use the stored settings.
 * @param redGain red gain in 1/32 (32 = x 1.0); -1 keeps it.
 * @param greenGain green gain in 1/32; -1 keeps it.
 * @param blueGain blue gain in 1/32; -1 keeps it.
 * @param lumaGain luminance gain in 1/32; -1 keeps it.
 * @param awbMode 0 off, 1 tracking, 2 estimation (live frames: any value above 0 estimates);
 *        -1 keeps it.
 * @param gamma1 luminance gamma, stored only; -1.0 keeps it.
 * @param gamma2 tone gamma, e.g. 0.8; -1.0 keeps it.
 * @param lumaGammaSwitch ignored.
 * @param gamma2On 1 applies the tone gamma; 0 or below does not; -1 keeps the switch.
 * @param reserved10 stored as given.
 * @param enhanceOn stored as given; nonzero makes GetColorImage() enhance the colours.
 * @param reserved12 ignored.
 * @return 0.
 */
ZENTDRV_API int SetColorInfo(int redGain, int greenGain, int blueGain, int lumaGain, int awbMode,
                             float gamma1, float gamma2, int lumaGammaSwitch, int gamma2On,
                             int reserved10, int enhanceOn, int reserved12);

/**
 * Writes the stored colour settings to @p out. After GetColorImage() the gains, white-balance
 * mode and gammas are those its conversion ended with (the white balance may have moved the
 * gains), and the two gamma switches are that conversion's; before it the switches read 0.
 * @param out the record to fill; null is refused.
 * @return @p out, or null when @p out is null.
 */
ZENTDRV_API ColorSettings* GetColorInfo(ColorSettings* out);

/**
 * Fills a 256-entry gamma table: entry i = 256 x (i / 256)^gamma, truncated, low 8 bits.
 * @param gamma the exponent; a curve that is not a number gives 0 entries.
 * @param table 256 ints; null does nothing.
 */
ZENTDRV_API void CalcuGamTbl(float gamma, int* table);

/* ---- Store download ----------------------------------------------------------------------- */

/**
 * Reads the camera's image table: one byte per stored item, up to an end mark (bits 4 to 6 set).
 * Bits 4 and 5 give the item's kind: 0x00 a 320 x 240 picture, 0x20 a 160 x 120 picture, 0x10
 * and 0x30 an item without samples; bit 6 (0x40) marks a frame of a video clip (clear: a still),
 * and bit 7 (0x80) changes from one clip to the next. The low four bits of every
 * byte up to the end mark are cleared. Needs the camera open in mode 3 (InitEvCam() in mode 1,
 * then SetHWInterface() with mode 3); reads one frame first, which lets the mode take effect.
 * @param table 256 bytes; every byte is first set to the end mark 0x70; null is refused.
 * @return the number of items with samples; -1 when @p table is null, the working memory is
 *         missing, or the camera did not deliver the table.
 */
ZENTDRV_API int DloadSDRAM_Header(BYTE* table);

/**
 * Reads the whole store image (8,386,560 bytes) into the store block, after
 * DloadSDRAM_Header(). The first call after a noise capture also moves the noise frame to where
 * stored pictures find their noise samples. A later live read, ReInitFPN() or ReadNoise()
 * overwrites the start of the downloaded store: download again before reading pictures.
 * @return 1 when the store was read; 0 when the working memory is missing or the read failed.
 */
ZENTDRV_API int DloadSDRAM(void);

/**
 * Copies the downloaded store image in true sample levels (the camera's complement undone):
 * the items one after the other in table order, each row as its even-column half then its
 * odd-column half; 256 bytes of filler follow every 160 x 120 item.
 * @param out 8,386,560 bytes; null, or missing working memory, writes nothing.
 */
ZENTDRV_API void DumpSDRAM(BYTE* out);

/**
 * Writes stored item @p index as a gray picture: the raw mosaic with the camera's complement
 * undone (or the noise subtracted when noise correction is on) and isolated stuck samples
 * replaced. Display type 1 writes 8-bit samples, 2 16-bit 5-5-5 gray, 3 three equal bytes per
 * pixel; other display types write nothing.
 * @param outRows row table of at least the item's height rows, each holding a row of the item's
 *        width in the display type's pixels; null is refused.
 * @param reserved ignored.
 * @param index entry of the image table, 0..255.
 * @return 1 when the picture was written (or nothing was to be written); 0 when @p outRows is
 *         null, the index is outside the table or names an item without samples, the item would
 *         run past the store, or the working memory is missing.
 */
ZENTDRV_API int GetRawImage(BYTE** outRows, void* reserved, int index);

/**
 * Writes stored item @p index as a 24-bit colour picture (bytes blue, green, red): interpolated
 * through the stored colour settings (white balance 2 uses a tone gamma of 0.8), enhanced when
 * enhanceOn is set, then cleaned of single-line defects and colour noise. The colour settings
 * the conversion ended with are stored (see GetColorInfo()). Afterwards the colour engine writes
 * into this picture: call SetImgMemory() again before the next ReadColorFrame(), and
 * SetColorInfo() to restore the live settings.
 * @param outRows row table of the picture described by @p outHeader: row r at
 *        outRows[0] + r x biWidth x 3 bytes; null is refused.
 * @param outHeader a 24-bit header at least as wide and as tall as the item; anything else is
 *        refused.
 * @param index entry of the image table, 0..255.
 * @return 1 when the picture was written; 0 when refused, when the index names no item with
 *         samples, or when the working memory is missing.
 */
ZENTDRV_API int GetColorImage(BYTE** outRows, BITMAPINFOHEADER* outHeader, int index);

/**
 * Scales a 24-bit picture: 512 x 384 to 640 x 480 by FineEnlargeImg() of zenthue, every other
 * pair of sizes by Rescalimg().
 * @param sourceRows row table of the source picture, row 0 first.
 * @param targetRows row table of the target picture.
 * @param sourceWidth source pixels per row.
 * @param sourceHeight source rows.
 * @param targetWidth target pixels per row.
 * @param targetHeight target rows.
 * @return the filter's result: nonzero when it ran, 0 when it declined the sizes or tables.
 */
ZENTDRV_API int ToRescaleImg(BYTE** sourceRows, BYTE** targetRows, int sourceWidth,
                             int sourceHeight, int targetWidth, int targetHeight);

/** @} */

#ifdef __cplusplus
} /* extern "C" */

/** @addtogroup zentdrv
 *  @{ */

/**
 * Writes the camera's GPIO data register. Exported under its C++ (decorated) name.
 * @param value the register's new value.
 * @return nonzero when written; 0 when no camera is open or the write failed.
 */
ZENTDRV_API int GLGpioWrite(unsigned char value);

/**
 * Writes the camera's GPIO output-enable register. Exported under its C++ (decorated) name.
 * @param value the register's new value.
 * @return nonzero when written; 0 when no camera is open or the write failed.
 */
ZENTDRV_API int GLGpioOE(unsigned char value);

/** @} */
#endif

#endif /* DUOVUE_ZENTDRV_H */
