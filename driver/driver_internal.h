// Internal operations of the driver, shared between its source files.
#pragma once

#include <cstdint>

#include "driver_state.h"
#include "platform.h"

namespace zentdrv {

// Camera registers.
inline constexpr uint32_t kRegBulkSetup = 0x82;
inline constexpr uint32_t kRegDrain = 0x84;
inline constexpr uint32_t kRegStatus = 0x86;
inline constexpr uint32_t kRegControl = 0x87;
inline constexpr uint32_t kRegGpioOE = 0x89;
inline constexpr uint32_t kRegGpioData = 0x8B;

inline constexpr int kInterfaceUsb = 4;  // interfaceType of the USB camera

inline constexpr uint8_t kReadyBit = 0x20;
inline constexpr long kPollLimit = 4500000;    // bound of every busy wait on the status register
inline constexpr DWORD kWaitLimitMs = 3000;    // and its bound in time, on the platform clock
inline constexpr uint32_t kBulkChunk = 61440;  // largest single bulk read

// A row table with the size of what it holds: `height` rows of `rowBytes` bytes each, for an
// image `width` pixels wide. Internal writes through it stay within height x rowBytes.
struct RowView {
    BYTE** rows = nullptr;
    int width = 0;
    int height = 0;
    int rowBytes = 0;
    BYTE* operator[](int r) const { return rows[r]; }
};
// The driver's own tables (empty while their block is missing) and the caller's output image.
RowView WorkView();
RowView NoiseView();
RowView OutputView();

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
// Polls kRegStatus for the ready bit, at most `limit` reads and kWaitLimitMs: 1 ready, 0 ran out,
// -1 failed read.
int WaitReady(long limit);
int ApplyMode(int bit0, int bit2, int bit3);
int TransferFrame(const RowView& table, int width, int height);
// Spreads rows sent as the even-column half then the odd-column half (`width` bytes each,
// back to back from `area`) into the rows of `table`, within what the table holds.
void UnpackHalves(const BYTE* area, const RowView& table, int width, int height);

// ---- Capture ------------------------------------------------------------------------------
// Frame size of a geometry: false for the erase geometry (no frame).
bool FrameSize(int geometry, int& width, int& height);
int ReadCorrectedFrame(const RowView& table);
void ComplementFrame(const RowView& table, int width, int height);
void GrayToDisplay(const RowView& source, const RowView& output, int width, int height);
// Packed-bitmap allocator shared by GetImgHandle and the driver's own blocks.
HGLOBAL AllocPackedBitmap(int width, int height, int bits);

// ---- Fixed-pattern noise ------------------------------------------------------------------
int CaptureRawFrame(const RowView& table);
int AverageNoisePass(const RowView& frame, const RowView& noise);
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
void SubtractNoise(const RowView& frame, const RowView& noise, int width, int height);
void SubtractNoiseStored(const RowView& picture, const RowView& noise, int width, int height);
void CentreNoiseFrame(const RowView& noise, int width, int height);

// ---- Stored pictures ----------------------------------------------------------------------
void LumaChromaFilter(BYTE* source, BYTE* target, int width, int height, int stride, int options);

}  // namespace zentdrv
