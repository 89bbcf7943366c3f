// The driver's working memory and the live read path.
#include <algorithm>
#include <array>
#include <cstring>

#include "driver_internal.h"
#include "row_kernels.h"
#include "zentdrv.h"
#include "zenthue.h"

namespace zentdrv {

namespace {

// 16-bit 5-5-5 gray word of each level.
constexpr auto kGray555 = [] {
    std::array<uint16_t, 256> t{};
    for (int v = 0; v < 256; ++v) t[v] = static_cast<uint16_t>((v >> 3) * 0x0421);
    return t;
}();

void releaseBlock(HGLOBAL& handle) {
    if (handle == nullptr) return;
    GlobalUnlock(handle);
    GlobalFree(handle);
    handle = nullptr;
}

void releaseBlocks(DriverState& s) {
    releaseBlock(s.workHandle);
    releaseBlock(s.noiseHandle);
    releaseBlock(s.storeHandle);
    s.workHeader = nullptr;
    s.workBase = nullptr;
    s.noiseHeader = nullptr;
    s.noiseBase = nullptr;
    s.storeBase = nullptr;
    s.engineSource = nullptr;
    std::fill(std::begin(s.workRows), std::end(s.workRows), nullptr);
    std::fill(std::begin(s.noiseRows), std::end(s.noiseRows), nullptr);
    std::fill(std::begin(s.transferRows), std::end(s.transferRows), nullptr);
}

// Allocates a packed bitmap, locks it and fills `rows` with its rows (at most `maxRows`).
void allocBitmapBlock(int width, int height, int bits, HGLOBAL& handle, BITMAPINFOHEADER*& header,
                      BYTE*& base, BYTE** rows, int maxRows) {
    handle = AllocPackedBitmap(width, height, bits);
    if (handle == nullptr) return;
    header = static_cast<BITMAPINFOHEADER*>(GlobalLock(handle));
    if (header == nullptr) {
        GlobalFree(handle);
        handle = nullptr;
        return;
    }
    base = reinterpret_cast<BYTE*>(header) + header->biSize;
    const size_t stride = static_cast<size_t>(header->biWidth) * bits / 8;
    const int count = std::min<int>(header->biHeight, maxRows);
    for (int r = 0; r < count; ++r) rows[r] = base + r * stride;
}

}  // namespace

RowView WorkView() {
    DriverState& s = driverState();
    if (s.workBase == nullptr) return RowView{s.workRows};
    return RowView{s.workRows, kWorkWidth, kWorkHeight, kWorkWidth * 3};
}

RowView NoiseView() {
    DriverState& s = driverState();
    if (s.noiseBase == nullptr) return RowView{s.noiseRows};
    return RowView{s.noiseRows, kNoiseSide, kNoiseSide, kNoiseSide};
}

RowView OutputView() {
    DriverState& s = driverState();
    return RowView{s.outputRows, s.imageWidth, s.outputRowCount, s.outputRowBytes};
}

bool FrameSize(int geometry, int& width, int& height) {
    if (geometry == kGeometry160) {
        width = 160;
        height = 120;
        return true;
    }
    if (geometry == kGeometry320) {
        width = 320;
        height = 240;
        return true;
    }
    return false;  // erase geometry: the camera sends no frame
}

void ComplementFrame(const RowView& table, int width, int height) {
    const int rows = std::min(height, table.height);
    const int samples = std::min(4 * (width / 4), table.rowBytes);
    const auto complement = rowKernels().complementRow;
    for (int r = 0; r < rows; ++r) complement(table[r], samples);
}

void GrayToDisplay(const RowView& source, const RowView& output, int width, int height) {
    const int kind = driverState().displayType;
    if (kind != 2 && kind != 3) return;
    const int rows = std::min({height, source.height, output.height});
    const int columns = std::min({width, source.rowBytes, output.rowBytes / (kind == 3 ? 3 : 2)});
    for (int r = 0; r < rows; ++r) {
        const BYTE* in = source[r];
        BYTE* o = output[r];
        if (kind == 3) {
            for (int c = 0; c < columns; ++c) {
                o[3 * c] = o[3 * c + 1] = o[3 * c + 2] = in[c];
            }
        } else {
            for (int c = 0; c < columns; ++c) {
                const uint16_t w = kGray555[in[c]];
                o[2 * c] = static_cast<BYTE>(w);
                o[2 * c + 1] = static_cast<BYTE>(w >> 8);
            }
        }
    }
}

int ReadCorrectedFrame(const RowView& table) {
    DriverState& s = driverState();
    if (s.interfaceType != kInterfaceUsb) return 1;
    int width = 0;
    int height = 0;
    // In erase geometry there is no frame to read: nothing is read and the read fails.
    if (!FrameSize(s.currentGeometry, width, height)) return 0;
    if (!TransferFrame(table, width, height)) return 0;
    if (s.fpnOn)
        SubtractNoise(table, NoiseView(), s.imageWidth, s.imageHeight);
    else
        ComplementFrame(table, s.imageWidth, s.imageHeight);
    s.currentGeometry = s.requestedGeometry;
    return 1;
}

}  // namespace zentdrv

using zentdrv::driverState;
using zentdrv::DriverState;

extern "C" {

int StartToCapture(void) {
    DriverState& s = driverState();
    zentdrv::releaseBlocks(s);
    zentdrv::allocBitmapBlock(zentdrv::kWorkWidth, zentdrv::kWorkHeight, 24, s.workHandle,
                              s.workHeader, s.workBase, s.workRows, zentdrv::kRowTableSize);
    zentdrv::allocBitmapBlock(zentdrv::kNoiseSide, zentdrv::kNoiseSide, 8, s.noiseHandle,
                              s.noiseHeader, s.noiseBase, s.noiseRows, zentdrv::kNoiseSide);
    s.storeHandle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, zentdrv::kStoreBytes);
    if (s.storeHandle != nullptr) {
        s.storeBase = static_cast<BYTE*>(GlobalLock(s.storeHandle));
        if (s.storeBase == nullptr) {
            GlobalFree(s.storeHandle);
            s.storeHandle = nullptr;
        } else {
            for (int r = 0; r < zentdrv::kTransferRowCount; ++r)
                s.transferRows[r] = s.storeBase + 512 * r;
        }
    }
    // A block that could not be allocated stays missing: InitEvCam then refuses with 3.
    s.noiseCentred = 0;
    s.initStatus = -1;
    return 1;
}

int EndCapture(void) {
    DriverState& s = driverState();
    zentdrv::releaseBlocks(s);
    if (s.interfaceType == zentdrv::kInterfaceUsb) zentdrv::CloseCamera();
    return 1;
}

int ReadRawFrame(void) {
    DriverState& s = driverState();
    if (s.displayType == 1) return zentdrv::ReadCorrectedFrame(zentdrv::OutputView());
    const int result = zentdrv::ReadCorrectedFrame(zentdrv::WorkView());
    zentdrv::GrayToDisplay(zentdrv::WorkView(), zentdrv::OutputView(), s.imageWidth, s.imageHeight);
    return result;
}

int ReadColorFrame(void) {
    DriverState& s = driverState();
    const int result = zentdrv::ReadCorrectedFrame(zentdrv::WorkView());
    // The engine reads the work image through the rows SetImgMemory gave it; convert only while
    // those rows are still the live work image and an output image is described, and never
    // more than the work image or the output rows hold.
    if (s.workBase != nullptr && s.engineSource == s.workRows[0] && s.outputRowCount > 0) {
        const int width = std::min({s.imageWidth, zentdrv::kWorkWidth, s.outputRowBytes / 3});
        const int height = std::min({s.imageHeight, zentdrv::kWorkHeight, s.outputRowCount});
        if (width > 0 && height > 0) GetFineRawColorFrame(width, height);
    }
    return result;
}

}  // extern "C"
