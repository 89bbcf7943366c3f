// Packed-bitmap allocation and row tables.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(ImageHandle, PackedBitmapsAndDegenerateSizes) {
    EXPECT_EQ(GetDllVersion(), 1104);
    HGLOBAL h = GetImageHandle(638, 480, 2);  // width rounds up to 640
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 921640u);
    const auto* bih = static_cast<const BITMAPINFOHEADER*>(GlobalLock(h));
    EXPECT_EQ(bih->biSize, 40u);
    EXPECT_EQ(bih->biWidth, 640);
    EXPECT_EQ(bih->biHeight, 480);
    EXPECT_EQ(bih->biPlanes, 1);
    EXPECT_EQ(bih->biBitCount, 24);
    EXPECT_EQ(bih->biCompression | bih->biSizeImage | bih->biClrUsed, 0u);
    GlobalUnlock(h);
    GlobalFree(h);

    HGLOBAL gray = GetImageHandle(320, 240, 0);  // 8 bits: no color table
    EXPECT_EQ(GlobalSize(gray), 320u * 240 + 40);
    EXPECT_EQ(static_cast<BITMAPINFOHEADER*>(GlobalLock(gray))->biBitCount, 8);
    GlobalFree(gray);
    EXPECT_EQ(GetImageHandle(0, 0, 2), nullptr);
    // A negative size cannot be allocated, and nothing is written.
    EXPECT_EQ(GetImageHandle(4, -1, 0), nullptr);
    EXPECT_EQ(GetImageHandle(-100, 10, 2), nullptr);
    // Negative sides refuse even when their product is positive; a width whose rounding passes
    // INT_MAX and sizes past 4 GB refuse without overflow.
    EXPECT_EQ(GetImageHandle(-320, -240, 2), nullptr);
    EXPECT_EQ(GetImageHandle(2147483647, 1, 2), nullptr);
    EXPECT_EQ(GetImageHandle(65536, 65536, 2), nullptr);
}

TEST(RowTables, DirectionsAndRunningBitOffsets) {
    EXPECT_EQ(SetImageFormat(2, 7, 1), 7);
    identityTables();
    // Zero flags walk toward lower addresses from row 0: the same frame stored upside down
    // converts to the same picture, upside down.
    std::mt19937 rng(3);
    Frame g(6, 4, 2);
    for (BYTE& b : g.raw) b = static_cast<BYTE>(rng());
    GetRawColorFrame(6, 4);
    std::vector<BYTE> raw(24), out(72, 0xEE);
    for (int r = 0; r < 4; ++r) std::memcpy(&raw[(3 - r) * 6], &g.raw[r * 6], 6);
    SetImageFormat(2, 0, 0);
    BITMAPINFOHEADER s6 = header(6, 4, 8), d6 = header(6, 4, 24);
    SetImgBuffer(&raw[18], &s6, &out[54], &d6);
    GetRawColorFrame(6, 4);
    for (int r = 0; r < 4; ++r) EXPECT_EQ(std::memcmp(&out[(3 - r) * 18], g.pixel(r, 0), 18), 0);

    // 3 pixels of 12 bits: rows start at bytes 0, 4, 9, 13 ((i * 36) / 8), not every 4 bytes.
    SetImageFormat(2, 1, 1);
    std::vector<BYTE> packed(24, 0), result(24, 0);
    for (int start : {0, 4, 9, 13}) packed[start] = packed[start + 1] = 100;
    BITMAPINFOHEADER s3 = header(3, 4, 12), d2 = header(2, 4, 24);
    SetImgBuffer(packed.data(), &s3, result.data(), &d2);
    GetRawColorFrame(2, 4);
    EXPECT_EQ(std::count(result.begin(), result.end(), 100), 24);
}

TEST(RowTables, TallerThanTablesLeavesBothAlone) {
    identityTables();
    Frame f(4, 3, 2, 60);
    std::vector<BYTE> raw(4 * 1025, 200), out(4 * 1025 * 3, 0xEE);
    BITMAPINFOHEADER tall = header(4, 1025, 8), tallOut = header(4, 1025, 24);
    BITMAPINFOHEADER shortSrc = header(4, 3, 8), shortOut = header(4, 3, 24);
    SetImgBuffer(raw.data(), &tall, out.data(), &shortOut);
    SetImgBuffer(raw.data(), &shortSrc, out.data(), &tallOut);
    GetRawColorFrame(4, 3);  // still the frame bound first
    EXPECT_EQ(std::count(f.out.begin(), f.out.begin() + 36, 60), 36);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), static_cast<long>(out.size()));

    // 1024 rows fit; a height of 0 keeps only that table (here: the source).
    BITMAPINFOHEADER s1024 = header(4, 1024, 8), d1024 = header(4, 1024, 24);
    SetImgBuffer(raw.data(), &s1024, out.data(), &d1024);
    EXPECT_EQ(GetRawColorFrame(4, 1024), 0);
    EXPECT_EQ(std::count(out.begin(), out.begin() + 4 * 1024 * 3, 200), 4 * 1024 * 3);
    BITMAPINFOHEADER none = header(4, 0, 8);
    SetImgBuffer(nullptr, &none, f.out.data(), &shortOut);
    GetRawColorFrame(4, 3);
    EXPECT_EQ(std::count(f.out.begin(), f.out.begin() + 36, 200), 36);

    // A missing header is refused whole: the tables keep pointing where they did.
    EXPECT_EQ(SetImgBuffer(raw.data(), nullptr, out.data(), &d1024), 0);
    EXPECT_EQ(SetImgBuffer(raw.data(), &s1024, out.data(), nullptr), 0);
    std::fill(f.out.begin(), f.out.end(), 0);
    GetRawColorFrame(4, 3);
    EXPECT_EQ(std::count(f.out.begin(), f.out.begin() + 36, 200), 36);
}
