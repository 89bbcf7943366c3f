// Camera set-up and configuration: InitEvCam and the setters and getters of the state record.
#include <climits>
#include <cstring>

#include "driver_internal.h"
#include "zentdrv.h"
#include "zenthue.h"

namespace zentdrv {

namespace {

constexpr int kMaxImageSide = 512;

int formatCodeOf(int displayType) {
    return displayType == 3 ? 2 : displayType == 2 ? 1 : 0;
}

}  // namespace

HGLOBAL AllocPackedBitmap(int width, int height, int bits) {
    int64_t aligned = width;
    if (aligned % 4 != 0) aligned = (aligned / 4) * 4 + 4;
    if (aligned == 0 && height == 0) return nullptr;
    // Negative or oversized geometry cannot describe a bitmap: refuse rather than wrap.
    if (aligned < 0 || height < 0 || aligned > INT_MAX) return nullptr;
    const int64_t size = aligned * height * bits / 8;
    if (size > static_cast<int64_t>(UINT32_MAX) - 40) return nullptr;
    HGLOBAL handle = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<size_t>(size) + 40);
    if (handle == nullptr) return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(handle));
    if (header == nullptr) {
        GlobalFree(handle);
        return nullptr;
    }
    std::memset(header, 0, sizeof *header);
    header->biSize = 40;
    header->biWidth = static_cast<LONG>(aligned);
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = static_cast<WORD>(bits);
    header->biSizeImage = static_cast<DWORD>(size);
    GlobalUnlock(handle);
    return handle;
}

}  // namespace zentdrv

using zentdrv::driverState;
using zentdrv::DriverState;

extern "C" {

int InitEvCam(void) {
    Sleep(2500);
    DriverState& s = driverState();
    s.appliedModeBits[0] = s.modeBit0;
    s.appliedModeBits[1] = s.modeBit2;
    s.appliedModeBits[2] = s.modeBit3;

    int status = 0;
    if (s.workBase == nullptr || s.noiseBase == nullptr) {
        status = 3;
    } else if (s.imageWidth > zentdrv::kMaxImageSide || s.imageHeight > zentdrv::kMaxImageSide) {
        status = 2;
    } else if (s.interfaceType == zentdrv::kInterfaceUsb) {
        // A camera left open from an earlier InitEvCam is closed first. That includes one
        // opened before a later StartToCapture, which would otherwise keep its device file.
        const bool held = s.deviceHandle != nullptr && s.deviceHandle != INVALID_HANDLE_VALUE;
        if (s.initStatus != -1 || held) zentdrv::CloseCamera();
        const int found = zentdrv::OpenCamera(s.vendorId, s.productId);
        s.currentGeometry = s.requestedGeometry;
        if (!found)
            status = 1;
        else
            status = zentdrv::ApplyMode(s.modeBit0, s.modeBit2, s.modeBit3) ? 0 : 1;
    }
    // Any other interface type opens nothing and reports success: the frame reads then succeed
    // without a device.
    s.initStatus = status;
    return status;
}

int SetDeviceInfo(int vendorId, int productId) {
    DriverState& s = driverState();
    if (vendorId != -1) s.vendorId = vendorId;
    if (productId != -1) s.productId = productId;
    return 1;
}

DeviceInfo GetDeviceInfo(void) {
    const DriverState& s = driverState();
    return DeviceInfo{s.vendorId, s.productId};
}

void SetHWInterface(int interfaceType, int, int, int level, int, int modeCode) {
    DriverState& s = driverState();
    if (interfaceType != -1) s.interfaceType = interfaceType;
    if (level != -1) s.level = level < 0 ? 0 : level > 255 ? 255 : level;
    if (modeCode == -1) return;
    // Mode code -> bits (bit0, bit2, bit3) and the geometry it delivers (-1 keeps it).
    struct Mode {
        int bit0, bit2, bit3, geometry;
    };
    static constexpr Mode kModes[7] = {{0, 0, 0, zentdrv::kGeometry160},
                                       {0, 0, 1, zentdrv::kGeometry320},
                                       {0, 1, 0, zentdrv::kGeometryErase},
                                       {0, 1, 1, -1},
                                       {1, 0, 0, -1},
                                       {1, 0, 1, -1},
                                       {1, 1, 0, -1}};
    const Mode& m = (modeCode >= 0 && modeCode < 7) ? kModes[modeCode] : kModes[0];
    s.modeBit0 = m.bit0;
    s.modeBit2 = m.bit2;
    s.modeBit3 = m.bit3;
    if (m.geometry >= 0) s.requestedGeometry = m.geometry;
}

HwInterfaceSettings GetHWInterface(void) {
    const DriverState& s = driverState();
    return HwInterfaceSettings{s.interfaceType, 0, 0,
                               s.level,         0, 4 * s.modeBit0 + 2 * s.modeBit2 + s.modeBit3};
}

HwInterfaceSettings SearchPPort(void) {
    return HwInterfaceSettings{driverState().interfaceType, 0, 0, 0, 0, 0};
}

int SetImageInfo(int width, int height, int displayType, int fpnOn) {
    DriverState& s = driverState();
    if (width != -1) s.imageWidth = width;
    if (height != -1) s.imageHeight = height;
    if (displayType != 0) s.displayType = displayType;
    if (fpnOn != -1) s.fpnOn = fpnOn;
    return SetImageFormat(zentdrv::formatCodeOf(s.displayType), 1, 1);
}

int* GetImageInfo(int* out) {
    if (out == nullptr) return nullptr;
    const DriverState& s = driverState();
    out[0] = s.imageWidth;
    out[1] = s.imageHeight;
    out[2] = s.displayType;
    out[3] = s.fpnOn;
    return out;
}

int SetImgMemory(BYTE* pixels, BITMAPINFOHEADER* header) {
    DriverState& s = driverState();
    // A taller image than the row table holds (or no header) is refused whole: nothing is
    // filled, so no entry past the table is ever written.
    if (pixels == nullptr || header == nullptr || header->biHeight > zentdrv::kRowTableSize)
        return 0;
    const int rows = header->biHeight > 0 ? header->biHeight : 0;
    const int64_t rowBits = static_cast<int64_t>(header->biWidth) * header->biBitCount;
    int64_t bits = 0;
    for (int r = 0; r < rows; ++r) {
        s.outputRows[r] = pixels + bits / 8;
        bits += rowBits;
    }
    s.outputRowCount = rows;
    s.outputRowBytes = rowBits > 0 && rowBits / 8 <= INT_MAX ? static_cast<int>(rowBits / 8) : 0;
    if (s.workHeader == nullptr) {
        s.engineSource = nullptr;
        return 0;
    }
    s.engineSource = s.workRows[0];
    // The engine's rows run up from both base pointers, as the driver's own do, whatever the
    // engine was last told: descending rows would be written before the caller's picture.
    SetImageFormat(zentdrv::formatCodeOf(s.displayType), 1, 1);
    return SetImgBuffer(s.workRows[0], s.workHeader, s.outputRows[0], header);
}

HGLOBAL GetImgHandle(int width, int height, int displayType) {
    const int bits = displayType == 3 ? 24 : displayType == 2 ? 16 : 8;
    return zentdrv::AllocPackedBitmap(width, height, bits);
}

int GetZent15Ver(void) {
    return 0x0100;
}

}  // extern "C"
