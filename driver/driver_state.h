// The driver's single process-wide state record.
#pragma once

#include <cstdint>

#include "luma_chroma_filter.h"
#include "platform.h"

namespace zentdrv {

inline constexpr int kWorkWidth = 1024;  // work image: 1024 x 768, 24 bits per pixel
inline constexpr int kWorkHeight = 768;
inline constexpr int kNoiseSide = 512;  // noise image: 512 x 512, 8 bits per pixel
inline constexpr uint32_t kStoreBytes = 0x800000;
inline constexpr int kTransferRowCount = 512;  // transferRows: 512 rows of 512 bytes
inline constexpr int kRowTableSize = 1024;
inline constexpr int kItemCount = 256;
inline constexpr int kFilterPixels = 640 * 480;  // scratch planes of the clean-up filter

// Frame geometries (requestedGeometry / currentGeometry).
inline constexpr int kGeometry160 = 0;
inline constexpr int kGeometry320 = 1;
inline constexpr int kGeometryErase = 2;

struct DriverState {
    // Transport.
    HANDLE deviceHandle;
    uint8_t controlShadow;
    int appliedModeBits[3];  // bit0, bit2, bit3 last programmed into the camera
    IO_BLOCK ioBlock;        // the one request block, refilled for every register call

    // Configuration.
    int vendorId;
    int productId;
    int interfaceType;
    int level;
    int modeBit0;
    int modeBit2;
    int modeBit3;
    int requestedGeometry;
    int currentGeometry;
    int imageWidth;
    int imageHeight;
    int displayType;
    int fpnOn;
    int initStatus;

    // Work image: 24-bit bitmap block; raw frames sit at the start of each row.
    HGLOBAL workHandle;
    BITMAPINFOHEADER* workHeader;
    BYTE* workBase;
    BYTE* workRows[kRowTableSize];

    // Noise image: 8-bit 512 x 512 bitmap block; 512 of the row entries are filled.
    HGLOBAL noiseHandle;
    BITMAPINFOHEADER* noiseHeader;
    BYTE* noiseBase;
    BYTE* noiseRows[kRowTableSize];

    // Store block: the transfer area of every frame and the copy of the camera's store.
    HGLOBAL storeHandle;
    BYTE* storeBase;
    BYTE* transferRows[kTransferRowCount];

    // The caller's output image, described by SetImgMemory.
    BYTE* outputRows[kRowTableSize];
    int outputRowCount;  // rows filled in outputRows (0 until SetImgMemory)
    int outputRowBytes;  // bytes in one of those rows
    BYTE* engineSource;  // work image row 0 as last handed to the color engine

    // Color settings.
    int redGain;
    int greenGain;
    int blueGain;
    int lumaGain;
    int awbMode;
    float gamma1;
    float gamma2;
    int gamma2On;
    int engineLumaGammaOn;
    int engineToneGammaOn;
    int colorReserved10;
    int enhanceOn;

    // Noise statistics.
    int noiseMax;
    int noiseMin;
    int clipCeiling;
    int levelOffset;
    int noiseCentred;  // set once the noise frame was moved to the store position

    // Store table.
    int itemWidth[kItemCount];
    int itemHeight[kItemCount];

    // Scratch of the stored-picture clean-up filter: a (Y, Cb, Cr) plane and one sample per
    // pixel.
    FilterSample filterPlane[kFilterPixels * 3];
    FilterSample filterScratch[kFilterPixels];
};

// The record itself: static storage, all zero at load, never reset.
DriverState& driverState();

}  // namespace zentdrv
