// The colour engine and the filters with sizes, settings and pixels from the input:
//   call (1 byte), width and height (2 + 2), second width and height (2 + 2, for the calls that
//   scale), settings (12), then pixels, repeated to fill the pictures.
// Buffers are as large as the call may write for the sizes it is given.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "zenthue.h"

namespace {

constexpr size_t kHead = 1 + 8 + 12;
constexpr int kMaxSide = 1100;  // past every call's limit of 1024
constexpr size_t kMaxPixels = size_t{1} << 20;

// A picture of `rows` rows of `rowBytes` bytes, filled from the input, and its row table.
struct Picture {
    Picture(int rowBytes, int rows, const uint8_t* fill, size_t fillSize)
        : bytes(static_cast<size_t>(rowBytes) * rows + 1) {
        for (size_t i = 0; fillSize > 0 && i < bytes.size(); i += fillSize)
            std::memcpy(bytes.data() + i, fill, std::min(fillSize, bytes.size() - i));
        for (int r = 0; r < rows; ++r)
            table.push_back(bytes.data() + static_cast<size_t>(r) * rowBytes);
        table.push_back(nullptr);
    }
    std::vector<BYTE> bytes;
    std::vector<BYTE*> table;
};

BITMAPINFOHEADER headerOf(int width, int height, int bits) {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = width;
    h.biHeight = height;
    h.biPlanes = 1;
    h.biBitCount = static_cast<WORD>(bits);
    return h;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < kHead) return 0;
    // A side is small (below 80) unless the top bit of its word asks for a large one (to 1100).
    auto side = [&](size_t at) {
        const int v = data[at] | data[at + 1] << 8;
        return (v & 0x8000) ? (v & 0x7FFF) % (kMaxSide + 1) : v % 80;
    };
    const int call = data[0] % 14;
    const int w = side(1);
    const int h = side(3);
    const int w2 = side(5);
    const int h2 = side(7);
    const uint8_t* set = data + 9;
    const uint8_t* fill = data + kHead;
    const size_t fillSize = size - kHead;
    if (static_cast<size_t>(w) * h > kMaxPixels || static_cast<size_t>(w2) * h2 > kMaxPixels)
        return 0;

    if (call <= 4) {
        // Engine: an 8-bit (or 16-bit) mosaic into a 24-, 16- or 8-bit picture of the same size.
        if (w == 0 || h == 0) return 0;
        const bool twelve = call == 4;
        // The 12-bit and the fine conversion always write 24-bit pixels.
        const int format = twelve || call == 1 ? 2 : set[0] % 3;
        const int outBits = format == 2 ? 24 : format == 1 ? 16 : 8;
        Picture src(w * (twelve ? 2 : 1), h, fill, fillSize);
        Picture dst(w * outBits / 8, h, nullptr, 0);
        BITMAPINFOHEADER srcHeader = headerOf(w, h, twelve ? 16 : 8);
        BITMAPINFOHEADER dstHeader = headerOf(w, h, outBits);
        // Rows run up from the base pointer, or down from it to the first row in memory.
        const int srcDown = set[1] & 1;
        const int dstDown = set[2] & 1;
        BYTE* srcBase =
            src.bytes.data() + (srcDown ? 0 : static_cast<size_t>(h - 1) * w * (twelve ? 2 : 1));
        BYTE* dstBase =
            dst.bytes.data() + (dstDown ? 0 : static_cast<size_t>(h - 1) * w * outBits / 8);
        SetImageFormat(format, srcDown, dstDown);
        SetColorGain(set[3], set[4], set[5], set[6], set[7] % 3, set[8] / 32.0f, set[9] / 32.0f,
                     set[10] & 1, (set[10] >> 1) & 1, twelve ? 12 : 8, set[11] % 3);
        if (twelve) {
            GetRawColor12Frame(reinterpret_cast<WORD*>(srcBase), &srcHeader, dstBase, &dstHeader, w,
                               h);
            return 0;
        }
        if (!SetImgBuffer(srcBase, &srcHeader, dstBase, &dstHeader)) return 0;
        switch (call) {
            case 0:
                GetRawColorFrame(w, h);
                break;
            case 1:
                GetFineRawColorFrame(w, h);
                break;
            case 2:
                GetDspColorFrame(w, h);
                break;
            default:
                GetYFrame(w, h);
                break;
        }
        return 0;
    }

    // Filters on 24-bit pictures (CutBadPixel: an 8-bit mosaic), rows top first.
    Picture src(w * (call == 13 ? 1 : 3), h, fill, fillSize);
    switch (call) {
        case 5: {
            Picture dst(w2 * 3, h2, nullptr, 0);
            Rescalimg(src.table.data(), dst.table.data(), w, h, w2, h2);
            break;
        }
        case 6: {
            if (static_cast<size_t>(w) * h * 4 > kMaxPixels) return 0;
            Picture dst(2 * w * 3, 2 * h, nullptr, 0);
            DoubleImg(src.table.data(), dst.table.data(), w, h);
            break;
        }
        case 7: {
            // The blocks come from the destination: 10 of it for every 8 of the source.
            const int dw = w / 8 * 10;
            const int dh = h / 8 * 10;
            Picture dst(dw * 3, dh, nullptr, 0);
            FineEnlargeImg(src.table.data(), dst.table.data(), w, h, dw, dh);
            break;
        }
        case 8:
        case 9:
        case 10: {
            Picture dst(w * 3, h, nullptr, 0);
            if (call == 8) SharpenImg(src.table.data(), dst.table.data(), w, h);
            if (call == 9) DoMedianFilter(src.table.data(), dst.table.data(), w, h);
            if (call == 10) MedianFilter5X5(src.table.data(), dst.table.data(), w, h);
            break;
        }
        case 11:
            StretchImg(src.table.data(), w, h);
            break;
        case 12:
            ColorEnhance(src.table.data(), w, h);
            break;
        default:
            CutBadPixel(src.table.data(), w, h);
            break;
    }
    return 0;
}
