#include "platform/clock.h"

#include <thread>

namespace platform {

namespace {

// Sleeping overshoots by up to a few milliseconds; sleep until this long before
// a deadline and spin the rest, which keeps millisecond precision at a few
// percent of a core.
constexpr auto spinMargin = std::chrono::microseconds(2000);

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
    if (std::chrono::steady_clock::now() + spinMargin < deadline)
        std::this_thread::sleep_until(deadline - spinMargin);
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
