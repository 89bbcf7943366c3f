// Internal operations of the driver, shared between its source files.
#pragma once

#include <cstdint>

#include "driver_state.h"
#include "platform.h"

namespace zentdrv {

// Camera registers.
inline constexpr uint32_t RegBulkSetup = 0x82;
inline constexpr uint32_t RegDrain = 0x84;
inline constexpr uint32_t RegStatus = 0x86;
inline constexpr uint32_t RegControl = 0x87;
inline constexpr uint32_t RegGpioOE = 0x89;
inline constexpr uint32_t RegGpioData = 0x8B;

inline constexpr int kInterfaceUsb = 4;  // interfaceType of the USB camera

inline constexpr uint8_t kReadyBit = 0x20;
inline constexpr long PollLimit = 4500000;    // bound of every busy wait on the status register
inline constexpr uint32_t BulkChunk = 61440;  // largest single bulk read

// ---- Transport ----------------------------------------------------------------------------
int OpenCamera(int vendorId, int productId);
int CloseCamera();
int MatchDescriptor(int vendorId, int productId);
int ReadRegister(uint32_t code, uint32_t length, uint8_t* buffer);
int WriteRegister(uint32_t code, uint32_t length, uint8_t* data);
int ReadStatus();  // 0..255, or -1 on failure
int ReadDrain();   // 0..255, or -1 on failure
int WriteControl(uint8_t value);
int ControlShadow();
int BulkRead(uint8_t* buffer, uint32_t length, uint8_t transferMode);
// Polls RegStatus for the ready bit, at most `limit` reads: 1 ready, 0 ran out, -1 failed read.
int WaitReady(long limit);
int ApplyMode(int bit0, int bit2, int bit3);
int TransferFrame(BYTE** rowTable, int width, int height);
// Spreads rows sent as the even-column half then the odd-column half (`width` bytes each,
// back to back from `area`) into the rows of `rowTable`, within what the table holds.
void UnpackHalves(const BYTE* area, BYTE** rowTable, int width, int height);

// ---- Capture ------------------------------------------------------------------------------
// What a row table can take: rows filled and bytes per row. The driver's own tables and the
// caller's output table report their real size (0 while missing); any other table is trusted.
struct RowCapacity {
    int rows;
    int bytes;
};
RowCapacity CapacityOf(BYTE** rowTable);
// Frame size of a geometry: false for the erase geometry (no frame).
bool FrameSize(int geometry, int& width, int& height);
int ReadCorrectedFrame(BYTE** rowTable);
void ComplementFrame(BYTE** rowTable, int width, int height);
void GrayToDisplay(BYTE** sourceRows, BYTE** outputRows, int width, int height);
// Packed-bitmap allocator shared by GetImgHandle and the driver's own blocks.
HGLOBAL AllocPackedBitmap(int width, int height, int bits);

// ---- Fixed-pattern noise ------------------------------------------------------------------
int CaptureRawFrame(BYTE** rowTable);
int AverageNoisePass(BYTE** frameRows, BYTE** noiseRows);
// One noise-corrected sample: the level above the noise, clipped to 0..ceiling. Callers pass
// a ceiling of at most 255.
inline BYTE CorrectSample(int levelOffset, int ceiling, int frame, int noise) {
    const int v = levelOffset - frame + noise;
    return static_cast<BYTE>(v >= ceiling ? ceiling : v <= 0 ? 0 : v);
}
// The clip ceiling of the record, held to a byte.
inline int ByteCeiling(const DriverState& s) {
    return s.clipCeiling < 255 ? s.clipCeiling : 255;
}
void SubtractNoise(BYTE** frameRows, BYTE** noiseRows, int width, int height);
void SubtractNoiseStored(BYTE** pictureRows, BYTE** noiseRows, int width, int height);
void CentreNoiseFrame(BYTE** noiseRows, int width, int height);

// ---- Stored pictures ----------------------------------------------------------------------
void LumaChromaFilter(BYTE* source, BYTE* target, int width, int height, int stride, int options);

}  // namespace zentdrv
