// SaveDIB's bitmap checks and writers: the input is the locked block (a BITMAPINFOHEADER, then
// rows). Whatever the checks accept is encoded as BMP and as PNG; the BMP must hold the rows.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "bitmap_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // A global memory block is aligned; the fuzzer's buffer need not be.
    std::vector<uint8_t> block(data, data + size);
    const auto view = savedib::viewBitmap(block.data(), block.size());
    if (!view) return 0;
    std::vector<BYTE> file;
    if (savedib::encodeBmp(*view, file)) {
        const size_t rows = view->stride * static_cast<size_t>(view->height);
        if (file.size() != 54 + rows ||
            std::memcmp(file.data() + 54, view->line(view->height - 1), view->stride) != 0)
            __builtin_trap();
    }
    savedib::encodePng(*view, file);
    savedib::wantsPng(std::string(reinterpret_cast<const char*>(data), size < 16 ? size : 16));
    return 0;
}
