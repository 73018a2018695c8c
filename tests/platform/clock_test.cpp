#include "platform/clock.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using platform::Clock;

// The frame service converts ticks to milliseconds as trunc(ticks × 1000 / frequency).
std::uint64_t msOf(std::uint64_t ticks)
{
    return static_cast<std::uint64_t>(std::trunc(static_cast<double>(ticks) * (1000.0 / Clock::ticksPerSecond)));
}

TEST(Clock, DeadlineInTicksReadsBackAsExactlyThatMillisecond)
{
    for (std::uint64_t ms : {0ull, 1ull, 33ull, 999ull, 1000ull, 86400000ull, 30ull * 86400000ull}) {
        const auto ticks = Clock::ticksForMs(ms);
        EXPECT_EQ(msOf(ticks), ms);
        if (ticks > 0) {
            EXPECT_LT(msOf(ticks - 1), ms) << "ticksForMs must give the first tick of the millisecond";
        }
    }
}

TEST(Clock, VirtualClockMovesOnlyWhenTold)
{
    platform::VirtualClock clock;
    EXPECT_EQ(clock.counter(), 0u);
    clock.waitUntil(Clock::ticksForMs(33));
    EXPECT_EQ(msOf(clock.counter()), 33u);
    clock.waitUntil(Clock::ticksForMs(10));  // a deadline in the past never moves time back
    EXPECT_EQ(msOf(clock.counter()), 33u);
    clock.advanceMs(100);
    EXPECT_EQ(msOf(clock.counter()), 133u);
}

TEST(Clock, RealClockWaitReachesTheDeadline)
{
    platform::RealClock clock;
    const auto target = clock.counter() + Clock::ticksForMs(5);
    clock.waitUntil(target);
    EXPECT_GE(clock.counter(), target);
}

}  // namespace
