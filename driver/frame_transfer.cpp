// The two wire sequences everything above the transport uses: mode programming and one frame.
#include <algorithm>

#include "driver_internal.h"
#include "row_kernels.h"

namespace zentdrv {

namespace {

bool modeChangePending(const DriverState& s) {
    return s.modeBit0 != s.appliedModeBits[0] || s.modeBit2 != s.appliedModeBits[1] ||
           s.modeBit3 != s.appliedModeBits[2];
}

}  // namespace

void UnpackHalves(const BYTE* area, const RowView& table, int width, int height) {
    const int half = width / 2;
    const int rows = std::min(height, table.height);
    const int bytes = table.rowBytes;
    const bool whole = width <= bytes;
    const auto unpack = rowKernels().unpackRow;
    for (int r = 0; r < rows; ++r) {
        const BYTE* even = area + static_cast<size_t>(r) * width;
        const BYTE* odd = even + half;
        BYTE* out = table[r];
        if (whole) {
            unpack(even, odd, out, half);
        } else {
            for (int k = 0; k < half; ++k) {
                if (2 * k < bytes) out[2 * k] = even[k];
                if (2 * k + 1 < bytes) out[2 * k + 1] = odd[k];
            }
        }
    }
}

int ApplyMode(int bit0, int bit2, int bit3) {
    const uint8_t high = static_cast<uint8_t>(ControlShadow() & 0xF0);
    if (!WriteControl(high | 0x09)) return 0;
    if (!WriteControl(high | 0x09)) return 0;
    const uint8_t m = static_cast<uint8_t>(((bit3 << 3) | (bit2 << 2) | bit0) ^ 0x0B);
    if (!WriteControl(high | m)) return 0;
    const int ready = WaitReady(kPollLimit + 1);
    if (ready < 0) return 0;
    if (!WriteControl(static_cast<uint8_t>(high | ((1 - bit3) << 3) | (bit2 << 2)))) return 0;
    return ready == 1 ? 1 : 0;
}

int TransferFrame(const RowView& table, int width, int height) {
    DriverState& s = driverState();
    // The transfer area is the store block; without it there is nowhere to receive the frame.
    if (s.storeBase == nullptr || width < 0 || height < 0 ||
        static_cast<uint64_t>(width) * static_cast<uint64_t>(height) > kStoreBytes)
        return 0;

    if (WaitReady(kPollLimit) < 0) return 0;  // running out is not a failure here
    if (modeChangePending(s) && !WriteControl(static_cast<uint8_t>(s.controlShadow | 0x01)))
        return 0;
    if (!BulkRead(s.storeBase, static_cast<uint32_t>(width * height), 0)) return 0;

    // The drain ends when the ready bit drops; kPollLimit reads or kWaitLimitMs without that fail.
    const DWORD start = GetTickCount();
    long counter = kPollLimit;
    int status = ReadStatus();
    if (status < 0) return 0;
    while (status & kReadyBit) {
        if (ReadDrain() < 0) return 0;
        if (--counter == 0) break;
        if (GetTickCount() - start >= kWaitLimitMs) {
            counter = 0;
            break;
        }
        status = ReadStatus();
        if (status < 0) return 0;
    }

    UnpackHalves(s.storeBase, table, width, height);

    if (modeChangePending(s)) {
        ApplyMode(s.modeBit0, s.modeBit2, s.modeBit3);
        s.appliedModeBits[0] = s.modeBit0;
        s.appliedModeBits[1] = s.modeBit2;
        s.appliedModeBits[2] = s.modeBit3;
    }
    return counter > 0 ? 1 : 0;
}

}  // namespace zentdrv
