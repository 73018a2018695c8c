#pragma once
// The high-resolution counter the show is timed by, counted from program start
// so that no run can overflow a 32-bit millisecond reading.
//
// The counter runs at 2^20 ticks per second. Because the frequency is a power
// of two, 1000 / frequency is exact in a double, and so is counter × that for
// any counter below 2^45 (about a year): a deadline converted to ticks and back
// to milliseconds lands on exactly that millisecond.

#include <atomic>
#include <cstdint>

namespace platform {

class Clock {
public:
    static constexpr std::uint64_t ticksPerSecond = std::uint64_t{1} << 20;

    virtual ~Clock() = default;
    // Ticks since the clock's origin; never decreases.
    virtual std::uint64_t counter() = 0;
    std::uint64_t frequency() const { return ticksPerSecond; }
    // Returns once counter() >= ticks. A real clock sleeps until shortly before
    // the deadline and spins the rest; a virtual clock jumps there.
    virtual void waitUntil(std::uint64_t ticks) = 0;

    // The first tick count at which the millisecond reading
    // trunc(ticks × 1000 / frequency) is at least ms.
    static constexpr std::uint64_t ticksForMs(std::uint64_t ms)
    {
        return (ms * ticksPerSecond + 999) / 1000;
    }
};

// Wall time from the moment it is made (program start for the process clock),
// read from the system's own high-resolution counter.
class RealClock final : public Clock {
public:
    RealClock();
    std::uint64_t counter() override;
    void waitUntil(std::uint64_t ticks) override;

private:
    std::uint64_t origin_ = 0;           // the system counter when the clock was made
    std::uint64_t countsPerSecond_ = 0;  // the system counter's frequency
};

// Time that moves only when told: by waits, or by advance(). Used by tests and
// by capture, where every pass is drawn and picture and sound follow the same
// virtual time. Safe to read from another thread.
class VirtualClock final : public Clock {
public:
    std::uint64_t counter() override { return ticks_.load(std::memory_order_acquire); }
    void waitUntil(std::uint64_t ticks) override;
    void advanceTicks(std::uint64_t ticks) { ticks_.fetch_add(ticks, std::memory_order_acq_rel); }
    void advanceMs(std::uint64_t ms) { advanceTicks(ticksForMs(ms)); }

private:
    std::atomic<std::uint64_t> ticks_{0};
};

}  // namespace platform
