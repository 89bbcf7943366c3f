/* zenthue: the Duovue color engine and image filters. Usable from C and C++ host programs. */
#ifndef DUOVUE_ZENTHUE_H
#define DUOVUE_ZENTHUE_H

#include "platform.h"

#define ZENTHUE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Format, buffers and handle ------------------------------------------------------------- */

/* Library version: 1104. */
ZENTHUE_API int GetDllVersion(void);

/* Output format: 2 = 24-bit (blue, green, red), 1 = 16-bit 5-5-5, other = 8-bit gray. The two
   direction flags (nonzero: rows run toward higher addresses from the base pointer) take effect
   at the next SetImgBuffer. Returns srcRowsDown. */
ZENTHUE_API int SetImageFormat(int formatType, int srcRowsDown, int dstRowsDown);

/* Builds the source and destination row tables from base pointers and headers (biWidth,
   biHeight and biBitCount; rows packed with no padding). A height of 0 or less leaves that table
   alone; a height above 1024 leaves both tables alone. The buffers stay the caller's. */
ZENTHUE_API int SetImgBuffer(BYTE* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                             const BITMAPINFOHEADER* dstHeader);

/* Allocates a zero-filled movable packed bitmap (40-byte header, no color table, width rounded
   up to a multiple of 4; 24, 16 or 8 bits for format 2, 1 or other), returned unlocked; NULL
   when width and height are both 0 or the allocation fails. Free it with GlobalFree. */
ZENTHUE_API HGLOBAL GetImageHandle(int width, int height, int format);

/* ---- White-balance gains and gamma tables --------------------------------------------------- */

/* The settings GetColorGain reports. Gains are in units of 1/32 (32 = x 1.0). */
typedef struct ColorGainRecord {
    int redGain;
    int greenGain;
    int blueGain;
    int lumaGain;
    int wbMode; /* 0 off, 1 tracking, 2 one-shot estimation before every conversion */
    float lumaGamma;
    float toneGamma;
    int lumaGammaOn;
    int toneGammaOn;
    int tableBits;
    int raw12Path; /* no defined meaning for callers */
} ColorGainRecord;

/* Stores the settings (-1 keeps a gain or the table bits; -1 for an on flag stores 0; a gamma is
   stored and its table rebuilt only when its flag is 1) and rebuilds the three channel tables.
   Table bits above 12 change nothing. Returns raw12Path. */
ZENTHUE_API int SetColorGain(int redGain, int greenGain, int blueGain, int lumaGain, int wbMode,
                             float lumaGamma, float toneGamma, int lumaGammaOn, int toneGammaOn,
                             int tableBits, int raw12Path);

/* Fills the record with the current settings, including white-balance changes; returns it. */
ZENTHUE_API ColorGainRecord* GetColorGain(ColorGainRecord* record);

/* Fills a caller's 4096-entry table with the gamma curve of the given bit depth (0 to 12; other
   depths leave the table alone). */
ZENTHUE_API int CalcuGammaTbl(float gamma, int* table, int bits);

/* ---- Raw-to-color interpolation ------------------------------------------------------------- */

/* Interpolate the RGGB mosaic of the source row table into the destination row table through
   the channel tables, with the white balance of the current mode. Plain means, 24 or 16 bits by
   the output format (8-bit: nothing written). Returns 1 when tracking found a dominant color
   cast, else 0. A frame narrower than 2, shorter than 3 or taller than 1024 rows is left alone
   (result 0). */
ZENTHUE_API int GetRawColorFrame(int width, int height);

/* As GetRawColorFrame, with edge-directed green and diagonal colors; always 24-bit output. */
ZENTHUE_API int GetFineRawColorFrame(int width, int height);

/* ---- Further conversions: 12-bit paths, DSP color frame, luminance frame -------------------- */

/* Converts a frame of 16-bit samples (12 significant bits) into 24-bit output mirrored left to
   right, through the channel tables (build them with 12 table bits) scaled down to 8 bits. Row
   tables: row i lies i * biWidth * (biBitCount / 8) bytes from the base. raw12Path 0 reads a
   Bayer mosaic, 1 a mosaic of diagonal stripes (every border pixel repeats the nearest
   converted one). Returns 1 when tracking white balance found a dominant color cast, else 0;
   returns 1 without converting for any other raw12Path. A header taller than 1024 rows, missing
   buffers, or a width or height the headers do not hold convert nothing and return 0, as do
   sizes below 2 x 3 (path 0) or 5 x 5 (path 1). */
ZENTHUE_API int GetRawColor12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                                   const BITMAPINFOHEADER* dstHeader, int width, int height);

/* Builds the 12-bit source and the destination row tables as SetImgBuffer does, converts
   nothing and returns 1. */
ZENTHUE_API int GetDsp12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                              const BITMAPINFOHEADER* dstHeader);

/* Converts the 8-bit Bayer source through luminance and row-smoothed color differences into
   24- or 16-bit output (formatType 2 or 1; other formats write nothing). Removes impulse
   samples from the source in place first. Writes rows 8..height - 9, columns 8..width - 3 only.
   In white-balance mode 1 it then adjusts the color gains for the next frame. Returns 1. */
ZENTHUE_API int GetDspColorFrame(int width, int height);

/* Writes the luminance of the 8-bit Bayer source, through lumaGain and the luminance gamma, as
   8-bit gray, 16-bit 5-5-5 or 24-bit gray by formatType. Writes rows 1..height - 2, columns
   3..width - 2 only. Returns 1. */
ZENTHUE_API int GetYFrame(int width, int height);

/* ---- Image filters -------------------------------------------------------------------------- */

/* Filters on 24-bit pictures (bytes blue, green, red) and 8-bit raw frames given as row tables:
   one pointer per row, top row first. A call whose sizes are zero, negative or larger than the
   filter's fixed working buffers writes nothing. Results carry no status for callers: nonzero
   (or the destination row table) when the filter ran, zero (or null) when it declined. */

/* Scales a picture to any size, each axis on its own: shrinking picks source samples, enlarging
   interpolates linearly in eighths. Every side at most 1024. */
ZENTHUE_API int Rescalimg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight, int dstWidth,
                          int dstHeight);
/* Doubles width and height: 2 * srcHeight destination rows of 2 * srcWidth pixels. */
ZENTHUE_API BYTE** DoubleImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight);
/* Enlarges by 10/8 on both axes by cosine resampling of 8-sample blocks into 10; the blocks come
   from the destination size. At most 1000 source rows. */
ZENTHUE_API int FineEnlargeImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight,
                               int dstWidth, int dstHeight);
/* Edge-adaptive 3 x 3 sharpening into a separate picture of the same size (at least 3 x 3). */
ZENTHUE_API BYTE** SharpenImg(BYTE** srcRows, BYTE** dstRows, int width, int height);
/* Per-channel median over a 3 x 3 window, into a separate picture; rows 0 and height - 1 of the
   destination are left alone. */
ZENTHUE_API int DoMedianFilter(BYTE** srcRows, BYTE** dstRows, int width, int height);
/* Per-channel median over a 5 x 5 window, into a separate picture; the last two pixels of every
   destination row are left alone. */
ZENTHUE_API int MedianFilter5X5(BYTE** srcRows, BYTE** dstRows, int width, int height);
/* Automatic levels correction per channel, in place. */
ZENTHUE_API BYTE** StretchImg(BYTE** rows, int width, int height);
/* Makes colors more vivid through a saturation curve, in place. */
ZENTHUE_API BYTE ColorEnhance(BYTE** rows, int width, int height);
/* Replaces isolated stuck dark or bright samples of an 8-bit raw mosaic frame, in place. */
ZENTHUE_API int CutBadPixel(BYTE** rows, int width, int height);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_ZENTHUE_H */
