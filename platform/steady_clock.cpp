// The real clock on the standard library's steady clock, where the system
// sleeps finely enough by itself (the Linux desktop, the browser).
#include "platform/clock.h"

#include <chrono>
#include <thread>

namespace platform {

namespace {

// A long sleep overshoots by up to a few milliseconds, a short one by a tenth
// of a millisecond or so: sleep long until this far before a deadline, then
// in short naps, and spin only the last moments. That keeps millisecond
// precision at about one percent of a core.
constexpr auto longSleepMargin = std::chrono::microseconds(2000);
constexpr auto spinMargin = std::chrono::microseconds(300);
constexpr auto nap = std::chrono::microseconds(100);

std::uint64_t steadyNanoseconds()
{
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace

RealClock::RealClock() : origin_(steadyNanoseconds()), countsPerSecond_(1000000000u) {}

std::uint64_t RealClock::counter()
{
    const std::uint64_t ns = steadyNanoseconds() - origin_;
    // ns × 2^20 / 10^9 without overflow: whole seconds and the rest apart.
    return ns / countsPerSecond_ * ticksPerSecond + (ns % countsPerSecond_) * ticksPerSecond / countsPerSecond_;
}

void RealClock::waitUntil(std::uint64_t ticks)
{
    const std::chrono::steady_clock::time_point deadline{std::chrono::nanoseconds(
        origin_ + ticks / ticksPerSecond * countsPerSecond_ + (ticks % ticksPerSecond) * countsPerSecond_ / ticksPerSecond)};
    if (std::chrono::steady_clock::now() + longSleepMargin < deadline)
        std::this_thread::sleep_until(deadline - longSleepMargin);
    while (std::chrono::steady_clock::now() + spinMargin < deadline)
        std::this_thread::sleep_for(nap);
    while (counter() < ticks) {
    }
}

}  // namespace platform
