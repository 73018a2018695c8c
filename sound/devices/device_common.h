#pragma once
// What the output devices share: the tick counter that makes every player
// tick land on an exact frame boundary, the clock they read time from, and
// the hook through which a service pass reaches the player.

#include <cstdint>

#include "platform/clock.h"
#include "sound/core/error_code.h"

namespace corvid {

// Frames mixed between two player ticks: (rate x 100) / update rate + 1,
// rounded down to an even number. The update rate is in 1/100 Hz.
uint32_t samplesPerTickFor(uint32_t mixingRate, uint32_t centiHertz);

// The update rate every device assumes at open: 50 Hz.
inline constexpr uint32_t defaultUpdateRate = 5000;

struct TickCounter {
    uint32_t samplesPerTick = 0;    // reload value
    uint32_t samplesUntilTick = 0;  // running count

    // Sets the reload value for the default update rate and starts a full tick.
    void start(uint32_t mixingRate);
    // A new reload value; it also times the tick in progress while none of
    // that tick's frames has been mixed.
    void setUpdateRate(uint32_t mixingRate, uint32_t centiHertz);
    // Counts `frames` off the running count (frames <= samplesUntilTick);
    // true when that ends a tick, which reloads the count.
    bool consume(uint32_t frames);
    // True (and reloaded) when the running count has reached 0.
    bool reloadIfDue();
};

// The clock the devices read. Tests and capture replace it; nullptr puts the
// process's real clock back.
platform::Clock& deviceClock();
void setDeviceClock(platform::Clock* clock);
// Whole milliseconds on the device clock.
uint64_t deviceMilliseconds();
// Waits `ms` milliseconds on the device clock.
void deviceSleep(uint32_t ms);

}  // namespace corvid
