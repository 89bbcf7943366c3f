#include <gtest/gtest.h>

#include "platform.h"

TEST(Clock, VirtualClockMovesOnlyWhenToldOrSlept) {
    platform::VirtualClock clock(0xFFFFFF00u);
    platform::installClock(&clock);
    EXPECT_EQ(GetTickCount(), 0xFFFFFF00u);
    Sleep(2500);
    EXPECT_EQ(clock.totalSleptMs(), 2500u);
    EXPECT_EQ(GetTickCount(), static_cast<DWORD>(0xFFFFFF00u + 2500u)) << "the tick count wraps";
    clock.advance(999);
    EXPECT_EQ(static_cast<DWORD>(GetTickCount() - 0xFFFFFF00u), 3499u);
    platform::installClock(nullptr);
}

TEST(Clock, RealClockIsMonotonic) {
    platform::installClock(nullptr);
    const DWORD a = GetTickCount();
    Sleep(20);
    const DWORD b = GetTickCount();
    EXPECT_GE(static_cast<DWORD>(b - a), 15u);
}
