/**
 * @file zenthue.h
 * @brief zenthue: the Duovue colour engine and image filters. Usable from C and C++ programs.
 *
 * The colour engine turns the camera's raw mosaic (rows alternating red, green / green, blue
 * cells, one byte per cell) into colour pictures through per-channel lookup tables built from
 * gains, gamma curves and a white balance. It keeps one process-wide state record (output
 * format, row tables, gains and tables); no call is safe from two threads at once.
 *
 * Order of calls for a conversion: SetImageFormat(), SetImgBuffer() (the source and destination
 * row tables), SetColorGain() (the tables: all gains are 0 until it is called), then
 * GetRawColorFrame() or GetFineRawColorFrame() for every frame. Pictures from GetImageHandle()
 * are movable global memory blocks: GlobalLock() gives the header, the pixels follow it.
 *
 * The filters work on their own: each takes row tables (one pointer per row, row 0 first) of
 * 24-bit pixels (bytes blue, green, red) or of 8-bit raw frames, and its sizes.
 */
#ifndef DUOVUE_ZENTHUE_H
#define DUOVUE_ZENTHUE_H

#include "platform.h"

/** Marks the published exports of libzenthue. */
#define ZENTHUE_API __attribute__((visibility("default")))

#ifdef __cplusplus
extern "C" {
#endif

/** @defgroup zenthue zenthue: colour conversion and filters
 *  The colour engine (format, row tables, gains, conversions) and the image filters.
 *  @{ */

/* ---- Format, buffers and handle ------------------------------------------------------------- */

/** The library's version. @return 1104. */
ZENTHUE_API int GetDllVersion(void);

/**
 * Sets the output format of the conversions and the direction of the row tables that the next
 * SetImgBuffer() builds.
 * @param formatType 2 = 24-bit (bytes blue, green, red), 1 = 16-bit 5-5-5 words, any other =
 *        8-bit gray.
 * @param srcRowsDown nonzero: source rows run toward higher addresses from the base pointer;
 *        0: toward lower addresses.
 * @param dstRowsDown the same for the destination rows.
 * @return @p srcRowsDown.
 */
ZENTHUE_API int SetImageFormat(int formatType, int srcRowsDown, int dstRowsDown);

/**
 * Builds the source and destination row tables of the conversions from base pointers and
 * headers: row i lies i x biWidth x biBitCount / 8 bytes from the base (rows packed with no
 * padding), after or before it as SetImageFormat() said. The buffers stay the caller's and must
 * outlive the conversions.
 * @param src the source's row 0 (8-bit raw mosaic).
 * @param srcHeader the source's header (biWidth, biHeight, biBitCount); a height of 0 or less
 *        leaves the source table alone.
 * @param dst the destination's row 0.
 * @param dstHeader the destination's header; a height of 0 or less leaves its table alone.
 * @return 1; 0 when a header is null or taller than 1024 rows (neither table changes).
 */
ZENTHUE_API int SetImgBuffer(BYTE* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                             const BITMAPINFOHEADER* dstHeader);

/**
 * Allocates a zero-filled movable packed bitmap: the 40-byte header, no colour table, then the
 * rows. Returned unlocked; free it with GlobalFree().
 * @param width pixels, rounded up to a multiple of 4 (the header's biWidth).
 * @param height rows.
 * @param format 2 = 24 bits per pixel, 1 = 16 bits, any other = 8 bits.
 * @return the handle; null when width and height are both 0, when either is negative, when the
 *         pixels would exceed 4 GB, or when the allocation fails.
 */
ZENTHUE_API HGLOBAL GetImageHandle(int width, int height, int format);

/* ---- White-balance gains and gamma tables --------------------------------------------------- */

/** The settings GetColorGain() reports. Gains are in units of 1/32 (32 = x 1.0). */
typedef struct ColorGainRecord {
    int redGain;     /**< red gain in 1/32; the white balance keeps it in 0..255 */
    int greenGain;   /**< green gain in 1/32 */
    int blueGain;    /**< blue gain in 1/32 */
    int lumaGain;    /**< luminance gain in 1/32 (scales all three channels) */
    int wbMode;      /**< 0 off, 1 tracking, 2 one-shot estimation before every conversion */
    float lumaGamma; /**< luminance gamma, as last stored with its switch on */
    float toneGamma; /**< tone gamma, as last stored with its switch on */
    int lumaGammaOn; /**< 1: the luminance gamma applies (luminance frames) */
    int toneGammaOn; /**< 1: the tone gamma applies to every channel table */
    int tableBits;   /**< depth of the channel tables: 2^tableBits entries, 8 or 12 */
    int raw12Path;   /**< which 12-bit conversion GetRawColor12Frame() runs (0 or 1) */
} ColorGainRecord;

/**
 * Stores the settings and rebuilds the three channel tables: entry i = i x gain x lumaGain /
 * 1024, held to the table's range, then through the tone gamma when it is on.
 * @param redGain red gain in 1/32 (32 = x 1.0); -1 keeps it.
 * @param greenGain green gain in 1/32; -1 keeps it.
 * @param blueGain blue gain in 1/32; -1 keeps it.
 * @param lumaGain luminance gain in 1/32; -1 keeps it.
 * @param wbMode 0 off; 1 tracking (after each conversion the gains move toward a neutral
 *        picture for the next one); 2 estimation from the frame before every conversion.
 * @param lumaGamma luminance gamma; stored, with its table rebuilt, only when @p lumaGammaOn is 1.
 * @param toneGamma tone gamma (e.g. 0.8); stored, with its table rebuilt, only when
 *        @p toneGammaOn is 1.
 * @param lumaGammaOn 1 on, 0 off (-1 stores 0).
 * @param toneGammaOn 1 on, 0 off (-1 stores 0).
 * @param tableBits depth of the tables: 8 for 8-bit sources, 12 for GetRawColor12Frame();
 *        -1 keeps it; above 12 (or below 0) changes nothing at all.
 * @param raw12Path 0 or 1: the 12-bit conversion GetRawColor12Frame() runs.
 * @return @p raw12Path.
 */
ZENTHUE_API int SetColorGain(int redGain, int greenGain, int blueGain, int lumaGain, int wbMode,
                             float lumaGamma, float toneGamma, int lumaGammaOn, int toneGammaOn,
                             int tableBits, int raw12Path);

/**
 * Fills @p record with the current settings, including the white balance's changes to the gains.
 * @param record the record to fill; null is refused.
 * @return @p record, or null when @p record is null.
 */
ZENTHUE_API ColorGainRecord* GetColorGain(ColorGainRecord* record);

/**
 * Fills a caller's table with the gamma curve max x (i / max)^gamma, max = 2^bits - 1, held to
 * 0..max; entries from 2^bits to 4095 repeat the last value.
 * @param gamma the exponent.
 * @param table 4096 ints; null is refused.
 * @param bits depth, 0 to 12; any other depth leaves the table alone.
 * @return 1 when the table was filled; 0 when refused.
 */
ZENTHUE_API int CalcuGammaTbl(float gamma, int* table, int bits);

/* ---- Raw-to-color interpolation ------------------------------------------------------------- */

/**
 * Interpolates the raw mosaic of the source row table into the destination row table through
 * the channel tables, with plain means of the neighbouring cells, and the white balance of the
 * current mode. Writes 24 or 16 bits by the output format (8-bit gray: nothing written). Rows 1
 * to height - 2 are converted; rows 0 and height - 1 repeat their neighbours.
 * @param width pixels per row, at least 2 (an odd last column is not written).
 * @param height rows, 3 to 1024.
 * @return 1 when tracking white balance found a dominant colour cast, else 0; 0 (nothing
 *         written) for a frame narrower than 2, shorter than 3 or taller than 1024 rows.
 */
ZENTHUE_API int GetRawColorFrame(int width, int height);

/**
 * As GetRawColorFrame(), with edge-directed green and diagonal colours; always 24-bit output.
 * @param width pixels per row, at least 2.
 * @param height rows, 3 to 1024.
 * @return as GetRawColorFrame().
 */
ZENTHUE_API int GetFineRawColorFrame(int width, int height);

/* ---- Further conversions: 12-bit paths, DSP color frame, luminance frame -------------------- */

/**
 * Converts a frame of 16-bit samples (12 significant bits) into 24-bit output mirrored left to
 * right, through the channel tables (build them with 12 table bits) scaled down to 8 bits. Row
 * tables: row i lies i x biWidth x (biBitCount / 8) bytes from the base. The path chosen by
 * SetColorGain()'s raw12Path: 0 reads a Bayer mosaic, 1 a mosaic of diagonal stripes (every
 * border pixel repeats the nearest converted one).
 * @param src the source's row 0; null is refused.
 * @param srcHeader the source's header; null, or taller than 1024 rows, is refused.
 * @param dst the destination's row 0; null is refused.
 * @param dstHeader the destination's header; null, or taller than 1024 rows, is refused.
 * @param width pixels to convert; at most what both headers hold; path 0 at least 2, path 1 at
 *        least 5.
 * @param height rows to convert; at most what both headers hold; path 0 at least 3, path 1 at
 *        least 5.
 * @return 1 when tracking white balance found a dominant colour cast, else 0; 1 without
 *         converting for a raw12Path other than 0 and 1; 0 when refused.
 */
ZENTHUE_API int GetRawColor12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                                   const BITMAPINFOHEADER* dstHeader, int width, int height);

/**
 * Builds the 12-bit source and the destination row tables as SetImgBuffer() does and converts
 * nothing.
 * @param src the source's row 0.
 * @param srcHeader the source's header; null, or taller than 1024 rows, changes nothing.
 * @param dst the destination's row 0.
 * @param dstHeader the destination's header; null, or taller than 1024 rows, changes nothing.
 * @return 1.
 */
ZENTHUE_API int GetDsp12Frame(WORD* src, const BITMAPINFOHEADER* srcHeader, BYTE* dst,
                              const BITMAPINFOHEADER* dstHeader);

/**
 * Converts the 8-bit mosaic of the source row table through luminance and row-smoothed colour
 * differences into 24- or 16-bit output (format 2 or 1; other formats write nothing). Removes
 * impulse samples from the source in place first. Writes rows 8 to height - 9, columns 8 to
 * width - 3 only. In white-balance mode 1 it then adjusts the gains for the next frame.
 * @param width pixels per row.
 * @param height rows, at most 1024.
 * @return 1 (also when the size leaves nothing to convert or the row tables are not set).
 */
ZENTHUE_API int GetDspColorFrame(int width, int height);

/**
 * Writes the luminance of the 8-bit mosaic, through lumaGain and the luminance gamma, as 8-bit
 * gray, 16-bit 5-5-5 or 24-bit gray by the output format. Writes rows 1 to height - 2, columns 3
 * to width - 2 only.
 * @param width pixels per row, at least 5.
 * @param height rows, 3 to 1024.
 * @return 1 (also when the size leaves nothing to convert or the row tables are not set).
 */
ZENTHUE_API int GetYFrame(int width, int height);

/* ---- Image filters -------------------------------------------------------------------------- */

/* Filters on 24-bit pictures (bytes blue, green, red) and 8-bit raw frames given as row tables:
   one pointer per row, row 0 first. A call whose sizes are zero, negative or larger than the
   filter accepts, or whose row table is null or holds a null row, writes nothing. Results carry
   no status for callers: nonzero (or the destination row table) when the filter ran, zero (or
   null) when it declined. Sides up to 32768 unless a filter says less. */

/**
 * Scales a picture to any size, each axis on its own: shrinking picks source samples, enlarging
 * interpolates linearly in eighths.
 * @param srcRows source rows.
 * @param dstRows destination rows, a separate picture.
 * @param srcWidth source pixels per row, 1..1024.
 * @param srcHeight source rows, 1..1024.
 * @param dstWidth destination pixels per row, 1..1024.
 * @param dstHeight destination rows, 1..1024.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API int Rescalimg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight, int dstWidth,
                          int dstHeight);

/**
 * Doubles width and height.
 * @param srcRows source rows.
 * @param dstRows 2 x srcHeight destination rows of 2 x srcWidth pixels.
 * @param srcWidth source pixels per row.
 * @param srcHeight source rows.
 * @return @p dstRows when it ran, null when it declined.
 */
ZENTHUE_API BYTE** DoubleImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight);

/**
 * Enlarges by 10/8 on both axes by cosine resampling of 8-sample blocks into 10; the number of
 * blocks comes from the destination size (dstWidth / 10 across, dstHeight / 10 down).
 * @param srcRows source rows.
 * @param dstRows destination rows, a separate picture.
 * @param srcWidth source pixels per row, at least 8 x (dstWidth / 10).
 * @param srcHeight source rows, at least 8 x (dstHeight / 10), at most 1000 and at most
 *        @p dstHeight.
 * @param dstWidth destination pixels per row.
 * @param dstHeight destination rows.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API int FineEnlargeImg(BYTE** srcRows, BYTE** dstRows, int srcWidth, int srcHeight,
                               int dstWidth, int dstHeight);

/**
 * Edge-adaptive 3 x 3 sharpening into a separate picture of the same size: a channel is
 * sharpened only where the pixel stands on an edge in it.
 * @param srcRows source rows.
 * @param dstRows destination rows.
 * @param width pixels per row, at least 3.
 * @param height rows, at least 3.
 * @return @p dstRows when it ran, null when it declined.
 */
ZENTHUE_API BYTE** SharpenImg(BYTE** srcRows, BYTE** dstRows, int width, int height);

/**
 * Per-channel median over a 3 x 3 window, into a separate picture; rows 0 and height - 1 of the
 * destination are left alone.
 * @param srcRows source rows.
 * @param dstRows destination rows.
 * @param width pixels per row, at least 1.
 * @param height rows, at least 3.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API int DoMedianFilter(BYTE** srcRows, BYTE** dstRows, int width, int height);

/**
 * Per-channel median over a 5 x 5 window, into a separate picture; the last two pixels of every
 * destination row are left alone.
 * @param srcRows source rows.
 * @param dstRows destination rows.
 * @param width pixels per row, at least 3.
 * @param height rows, at least 1.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API int MedianFilter5X5(BYTE** srcRows, BYTE** dstRows, int width, int height);

/**
 * Automatic levels correction per channel, in place: each channel is stretched from a black to
 * a white level read from its histogram, or left alone where stretching it would shift the
 * colours.
 * @param rows the picture's rows.
 * @param width pixels per row, at least 1.
 * @param height rows, at least 1.
 * @return @p rows when it ran, null when it declined.
 */
ZENTHUE_API BYTE** StretchImg(BYTE** rows, int width, int height);

/**
 * Makes colours more vivid through a saturation curve, in place. The hues it works out are
 * kept for the rest of the process (up to 6 MB, filled as pictures need them).
 * @param rows the picture's rows.
 * @param width pixels per row, at least 1.
 * @param height rows, at least 1.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API BYTE ColorEnhance(BYTE** rows, int width, int height);

/**
 * Replaces isolated stuck dark or bright samples of an 8-bit raw mosaic frame, in place.
 * @param rows the frame's rows, one byte per sample.
 * @param width samples per row, at least 5.
 * @param height rows, at least 5.
 * @return 1 when it ran, 0 when it declined.
 */
ZENTHUE_API int CutBadPixel(BYTE** rows, int width, int height);

/** @} */

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* DUOVUE_ZENTHUE_H */
