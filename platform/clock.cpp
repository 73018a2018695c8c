#include "platform/clock.h"

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

}  // namespace

RealClock::RealClock() : origin_(std::chrono::steady_clock::now()) {}

std::uint64_t RealClock::counter()
{
    const auto ns = static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now() - origin_).count());
    // ns × 2^20 / 10^9 without overflow: whole seconds and the rest apart.
    return ns / 1000000000u * ticksPerSecond + (ns % 1000000000u) * ticksPerSecond / 1000000000u;
}

void RealClock::waitUntil(std::uint64_t ticks)
{
    const auto deadline = origin_ + std::chrono::nanoseconds(ticks / ticksPerSecond * 1000000000u +
                                                             (ticks % ticksPerSecond) * 1000000000u / ticksPerSecond);
    if (std::chrono::steady_clock::now() + longSleepMargin < deadline)
        std::this_thread::sleep_until(deadline - longSleepMargin);
    while (std::chrono::steady_clock::now() + spinMargin < deadline)
        std::this_thread::sleep_for(nap);
    while (counter() < ticks) {
    }
}

void VirtualClock::waitUntil(std::uint64_t ticks)
{
    std::uint64_t now = ticks_.load(std::memory_order_acquire);
    while (now < ticks && !ticks_.compare_exchange_weak(now, ticks, std::memory_order_acq_rel)) {
    }
}

}  // namespace platform
