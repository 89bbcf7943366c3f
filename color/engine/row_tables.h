// Building row tables from a base pointer and a bitmap header.
#pragma once

#include <array>
#include <cstdint>

#include "engine/engine_state.h"

namespace zenthue {

// True when a header's rows fit in a row table (rows <= 0 leave a table alone and also fit).
inline bool rowsFit(const BITMAPINFOHEADER& header) {
    return header.biHeight <= kMaxRows;
}

// Pointer arithmetic done on addresses, so that any base (even null) and any offset is defined.
template <class T>
T* offsetPointer(void* base, std::int64_t byteOffset) {
    return reinterpret_cast<T*>(reinterpret_cast<std::uintptr_t>(base) +
                                static_cast<std::uintptr_t>(byteOffset));
}

// Row i lies (i * biWidth * biBitCount) / 8 bytes from base (a running total of bits, truncated
// per row), after base when rowsDown is nonzero, before it when zero. biHeight entries are
// written; a height of 0 or less leaves the table unchanged. The caller checks rowsFit first.
template <class T>
void fillRowTable(std::array<T*, kMaxRows>& table, void* base, const BITMAPINFOHEADER& header,
                  int rowsDown) {
    const std::int64_t bitsPerRow = std::int64_t{header.biWidth} * header.biBitCount;
    std::int64_t bits = 0;
    for (int i = 0; i < header.biHeight; ++i, bits += bitsPerRow) {
        const std::int64_t offset = bits / 8;
        table[i] = offsetPointer<T>(base, rowsDown ? offset : -offset);
    }
}

// Bytes between rows counted in whole bytes per pixel: biWidth * (biBitCount / 8).
inline std::int64_t wholeByteStride(const BITMAPINFOHEADER& header) {
    return std::int64_t{header.biWidth} * (header.biBitCount / 8);
}

// Row i lies i * wholeByteStride bytes from base, after or before base as above. The caller
// checks rowsFit first.
template <class T>
void fillRowTableStride(std::array<T*, kMaxRows>& table, void* base, const BITMAPINFOHEADER& header,
                        int rowsDown) {
    const std::int64_t stride = wholeByteStride(header);
    for (int i = 0; i < header.biHeight; ++i) {
        const std::int64_t offset = i * stride;
        table[i] = offsetPointer<T>(base, rowsDown ? offset : -offset);
    }
}

}  // namespace zenthue
