// Output format, row tables and packed-bitmap allocation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "engine/frame_fixture.h"

using namespace enginetest;

TEST(ImageHandle, AllocatesPackedBitmapWithRoundedWidth) {
    EXPECT_EQ(GetDllVersion(), 1104);

    HGLOBAL h = GetImageHandle(638, 480, 2);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 921640u);
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(h));
    ASSERT_NE(bih, nullptr);
    EXPECT_EQ(bih->biSize, 40u);
    EXPECT_EQ(bih->biWidth, 640);
    EXPECT_EQ(bih->biHeight, 480);
    EXPECT_EQ(bih->biPlanes, 1);
    EXPECT_EQ(bih->biBitCount, 24);
    EXPECT_EQ(bih->biCompression, 0u);
    EXPECT_EQ(bih->biSizeImage, 0u);
    EXPECT_EQ(bih->biClrUsed, 0u);
    // Zero-filled pixels follow the header at once.
    const BYTE* px = reinterpret_cast<const BYTE*>(bih) + 40;
    EXPECT_EQ(std::count(px, px + 640 * 480 * 3, 0), 640 * 480 * 3);
    GlobalUnlock(h);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(ImageHandle, BitDepthsAndDegenerateSizes) {
    // 8 bits: no color table, pixels start 40 bytes in.
    HGLOBAL gray = GetImageHandle(320, 240, 0);
    ASSERT_NE(gray, nullptr);
    EXPECT_EQ(GlobalSize(gray), 320u * 240 + 40);
    auto* bih = static_cast<BITMAPINFOHEADER*>(GlobalLock(gray));
    EXPECT_EQ(bih->biBitCount, 8);
    EXPECT_EQ(bih->biClrUsed, 0u);
    GlobalUnlock(gray);
    GlobalFree(gray);

    HGLOBAL word = GetImageHandle(5, 3, 1);  // width 5 rounds to 8
    ASSERT_NE(word, nullptr);
    EXPECT_EQ(GlobalSize(word), 8u * 3 * 2 + 40);
    GlobalFree(word);

    EXPECT_EQ(GetImageHandle(0, 0, 2), nullptr);

    // One zero dimension: a block with the header only.
    HGLOBAL flat = GetImageHandle(0, 7, 2);
    ASSERT_NE(flat, nullptr);
    EXPECT_EQ(GlobalSize(flat), 40u);
    GlobalFree(flat);

    // A negative size cannot be allocated and is never written.
    EXPECT_EQ(GetImageHandle(4, -1, 0), nullptr);
    EXPECT_EQ(GetImageHandle(-100, 10, 2), nullptr);
}

TEST(RowTables, FormatCodesAndDirections) {
    EXPECT_EQ(SetImageFormat(2, 7, 1), 7);
    identityTables();

    // 640 x 480: source rows 640 bytes apart, destination rows 1920 bytes apart, ascending.
    Frame f(640, 480, 2, 90);
    std::vector<BYTE> big(640 * 480 * 3 + 64, 0xEE);
    BITMAPINFOHEADER src = header(640, 480, 8), dst = header(640, 480, 24);
    SetImgBuffer(f.raw.data(), &src, big.data(), &dst);
    GetFineRawColorFrame(640, 480);
    EXPECT_EQ(std::count(big.begin(), big.begin() + 640 * 480 * 3, 90), 640 * 480 * 3);
    EXPECT_EQ(std::count(big.begin() + 640 * 480 * 3, big.end(), 0xEE), 64);

    // Zero flags: both tables walk toward lower addresses from the given row 0. The same frame
    // stored upside down converts to the same picture, upside down.
    std::mt19937 rng(3);
    Frame g(6, 4, 2);
    for (BYTE& b : g.raw) b = static_cast<BYTE>(rng());
    GetRawColorFrame(6, 4);
    std::vector<BYTE> raw(g.raw.size());
    for (int r = 0; r < 4; ++r) std::memcpy(&raw[(3 - r) * 6], &g.raw[r * 6], 6);
    std::vector<BYTE> out(6 * 4 * 3, 0xEE);
    SetImageFormat(2, 0, 0);
    BITMAPINFOHEADER s6 = header(6, 4, 8), d6 = header(6, 4, 24);
    SetImgBuffer(&raw[3 * 6], &s6, &out[3 * 18], &d6);
    GetRawColorFrame(6, 4);
    for (int r = 0; r < 4; ++r)
        EXPECT_EQ(std::memcmp(&out[(3 - r) * 18], g.pixel(r, 0), 18), 0) << r;
}

TEST(RowTables, RowOffsetsAreRunningBitTotals) {
    SetImageFormat(2, 1, 1);
    identityTables();
    // 3 pixels of 12 bits: rows start at bytes 0, 4, 9, 13 ((i * 36) / 8), not every 4 bytes.
    std::vector<BYTE> raw(24, 0);
    for (int start : {0, 4, 9, 13}) raw[start] = raw[start + 1] = 100;
    std::vector<BYTE> out(2 * 4 * 3, 0);
    BITMAPINFOHEADER src = header(3, 4, 12), dst = header(2, 4, 24);
    SetImgBuffer(raw.data(), &src, out.data(), &dst);
    GetRawColorFrame(2, 4);
    EXPECT_EQ(std::count(out.begin(), out.end(), 100), static_cast<long>(out.size()));

    // A destination row of 7 pixels at 24 bits is 21 bytes; a 6-wide conversion leaves the last
    // pixel of every row alone.
    Frame f(7, 5, 2, 50, 0xEE);
    GetFineRawColorFrame(6, 5);
    for (int r = 0; r < 5; ++r) {
        EXPECT_EQ(bgr(f.pixel(r, 5)), (Bgr{50, 50, 50}));
        EXPECT_EQ(bgr(f.pixel(r, 6)), (Bgr{0xEE, 0xEE, 0xEE}));
    }
}

TEST(RowTables, TallerThanTableLeavesBothTablesAlone) {
    identityTables();
    Frame f(4, 3, 2, 60);
    std::vector<BYTE> raw(4 * 1025, 200), out(4 * 1025 * 3, 0xEE);
    BITMAPINFOHEADER tall = header(4, 1025, 8), tallOut = header(4, 1025, 24);
    BITMAPINFOHEADER shortSrc = header(4, 3, 8), shortOut = header(4, 3, 24);
    SetImgBuffer(raw.data(), &tall, out.data(), &shortOut);
    SetImgBuffer(raw.data(), &shortSrc, out.data(), &tallOut);
    GetRawColorFrame(4, 3);
    // The frame bound before still is the one converted.
    EXPECT_EQ(std::count(f.out.begin(), f.out.begin() + 36, 60), 36);
    EXPECT_EQ(std::count(out.begin(), out.end(), 0xEE), static_cast<long>(out.size()));

    // Exactly 1024 rows is accepted.
    std::vector<BYTE> raw1024(4 * 1024, 70), out1024(4 * 1024 * 3, 0);
    BITMAPINFOHEADER s = header(4, 1024, 8), d = header(4, 1024, 24);
    SetImgBuffer(raw1024.data(), &s, out1024.data(), &d);
    GetRawColorFrame(4, 1024);
    EXPECT_EQ(std::count(out1024.begin(), out1024.end(), 70), static_cast<long>(out1024.size()));
}

TEST(RowTables, NonPositiveHeightKeepsThatTable) {
    identityTables();
    Frame f(4, 3, 2, 40);
    std::vector<BYTE> other(4 * 3 * 3, 0xEE);
    BITMAPINFOHEADER src = header(4, 0, 8), dst = header(4, 3, 24);
    SetImgBuffer(nullptr, &src, other.data(), &dst);
    GetRawColorFrame(4, 3);  // still reads f.raw, now writes into other
    EXPECT_EQ(std::count(other.begin(), other.end(), 40), static_cast<long>(other.size()));
}
