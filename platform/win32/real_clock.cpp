// The real clock on QueryPerformanceCounter. Waits sleep in 1 ms steps (with
// the system timer at its finest period, which the clock asks for once) until
// a little before the deadline, then spin on the counter.
#include "platform/clock.h"

#include <windows.h>

#include <mmsystem.h>

namespace platform {

namespace {

// Sleep(1) lasts 1 to 2 ms once the timer period is 1 ms: stop sleeping this
// far before a deadline and spin the rest.
constexpr std::uint64_t sleepMarginMs = 3;

std::uint64_t performanceCounter()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<std::uint64_t>(now.QuadPart);
}

std::uint64_t performanceFrequency()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return static_cast<std::uint64_t>(frequency.QuadPart);
}

// Asks for the 1 ms timer period for the rest of the process.
void useFineSleep()
{
    static const bool asked = timeBeginPeriod(1) == TIMERR_NOERROR;
    (void)asked;
}

}  // namespace

RealClock::RealClock() : origin_(performanceCounter()), countsPerSecond_(performanceFrequency()) { useFineSleep(); }

std::uint64_t RealClock::counter()
{
    const std::uint64_t counts = performanceCounter() - origin_;
    // counts × 2^20 / frequency without overflow: whole seconds and the rest apart.
    return counts / countsPerSecond_ * ticksPerSecond + (counts % countsPerSecond_) * ticksPerSecond / countsPerSecond_;
}

void RealClock::waitUntil(std::uint64_t ticks)
{
    const std::uint64_t margin = ticksForMs(sleepMarginMs);
    for (std::uint64_t now = counter(); now + margin < ticks; now = counter())
        Sleep(1);
    while (counter() < ticks) {
    }
}

}  // namespace platform
