#include <gtest/gtest.h>

#include <cstring>

#include "platform.h"

TEST(GlobalMemory, MovableBlockIsZeroFilledAndCountsLocks) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, 1000);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalSize(h), 1000u);

    auto* p = static_cast<BYTE*>(GlobalLock(h));
    ASSERT_NE(p, nullptr);
    EXPECT_NE(static_cast<void*>(p), h) << "a movable handle is not the block's address";
    for (int i = 0; i < 1000; ++i) ASSERT_EQ(p[i], 0);
    std::memset(p, 0xAB, 1000);

    EXPECT_EQ(GlobalLock(h), p) << "a second lock reaches the same bytes";
    EXPECT_TRUE(GlobalUnlock(h)) << "still locked once";
    EXPECT_FALSE(GlobalUnlock(h)) << "now unlocked";
    EXPECT_FALSE(GlobalUnlock(h)) << "unlocking an unlocked block is refused";

    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, NullAndUnknownHandlesAreHarmless) {
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    int notABlock = 0;
    EXPECT_EQ(GlobalLock(&notABlock), nullptr);
    EXPECT_EQ(GlobalSize(&notABlock), 0u);
    EXPECT_EQ(GlobalFree(&notABlock), &notABlock) << "an unknown handle is returned, not freed";

    HGLOBAL h = GlobalAlloc(GHND, 16);
    ASSERT_EQ(GlobalFree(h), nullptr);
    EXPECT_EQ(GlobalFree(h), h) << "a second free of the same handle is refused";
    EXPECT_EQ(GlobalLock(h), nullptr);
}

TEST(GlobalMemory, FixedBlockHandleIsItsAddress) {
    HGLOBAL h = GlobalAlloc(GMEM_FIXED, 8);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(GlobalLock(h), h);
    EXPECT_EQ(GlobalSize(h), 8u);
    EXPECT_EQ(GlobalFree(h), nullptr);
}

TEST(GlobalMemory, ZeroSizedBlocksAreDistinct) {
    HGLOBAL a = GlobalAlloc(GHND, 0);
    HGLOBAL b = GlobalAlloc(GHND, 0);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    EXPECT_EQ(GlobalSize(a), 0u);
    GlobalFree(a);
    GlobalFree(b);
}
