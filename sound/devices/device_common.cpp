#include "sound/devices/device_common.h"

#include <atomic>

namespace corvid {

uint32_t samplesPerTickFor(uint32_t mixingRate, uint32_t centiHertz)
{
    if (centiHertz == 0)
        return 0;
    return ((mixingRate * 100) / centiHertz + 1) & ~1u;
}

void TickCounter::start(uint32_t mixingRate)
{
    samplesPerTick = samplesPerTickFor(mixingRate, defaultUpdateRate);
    samplesUntilTick = samplesPerTick;
}

void TickCounter::setUpdateRate(uint32_t mixingRate, uint32_t centiHertz)
{
    // A rate set before any frame of the tick in progress is mixed (by the
    // player, on the tick the counter has just announced) times that tick
    // too: the row that sets a tempo plays at it from its first tick.
    const bool tickUntouched = samplesUntilTick == samplesPerTick;
    samplesPerTick = samplesPerTickFor(mixingRate, centiHertz);
    if (tickUntouched && samplesPerTick != 0)
        samplesUntilTick = samplesPerTick;
}

bool TickCounter::consume(uint32_t frames)
{
    samplesUntilTick -= frames;
    return reloadIfDue();
}

bool TickCounter::reloadIfDue()
{
    if (samplesUntilTick != 0)
        return false;
    samplesUntilTick = samplesPerTick;
    return true;
}

namespace {

struct DeviceClockState {
    platform::RealClock realClock;
    std::atomic<platform::Clock*> clock{&realClock};
};

DeviceClockState& clockState()
{
    static DeviceClockState state;
    return state;
}

}  // namespace

platform::Clock& deviceClock() { return *clockState().clock.load(std::memory_order_acquire); }

void setDeviceClock(platform::Clock* clock)
{
    DeviceClockState& state = clockState();
    state.clock.store(clock ? clock : &state.realClock, std::memory_order_release);
}

uint64_t deviceMilliseconds()
{
    return deviceClock().counter() * 1000 / platform::Clock::ticksPerSecond;
}

void deviceSleep(uint32_t ms)
{
    platform::Clock& clock = deviceClock();
    clock.waitUntil(clock.counter() + platform::Clock::ticksForMs(ms));
}

}  // namespace corvid
