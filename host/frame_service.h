#pragma once
// What every scene's run loop calls once per pass: keeps the window's events
// moving, paces the show to one animation step every 33 ms, says whether this
// pass is drawn or skipped to catch up, keeps the scene clock, and carries out
// the viewer's abort. It also owns the millisecond clock.
//
// Waits sleep until shortly before their deadline and spin only the rest, so
// they keep millisecond precision without burning a core.

#include "platform/clock.h"
#include "sound/include/corvid.h"

#include <cstdint>
#include <functional>

namespace host {

struct FrameService {
    platform::Clock* clock = nullptr;
    double msPerTick = 0;              // 1000 / counter frequency
    std::uint32_t nowMs = 0;           // last clock reading, ms since program start
    std::uint32_t sceneStart = 0;      // nowMs / 10 when the current scene began
    std::uint32_t sceneClock = 0;      // hundredths of a second since then
    std::uint32_t framePeriod = 33;    // ms between drawn passes
    std::uint32_t lastFrameTime = 0;   // nowMs when the last drawn pass was released
    std::uint32_t lateCount = 0;       // passes since then that found the frame late
    bool abortRequested = false;       // set by the display window on Escape; never cleared
    MusicStatus musicStatus{0, 0, 0, -1, 0};  // the music's position, refreshed by the scenes

    // Reads the playing music's position into the argument.
    std::function<void(MusicStatus&)> readMusicStatus;

    // One window event at most per pass; may set abortRequested.
    std::function<void()> pumpMessage;
    // Ends the show early; does not return.
    std::function<void()> abort;

    // Refreshes musicStatus from the music; the scenes do it once or twice a pass.
    void refreshMusicStatus()
    {
        if (readMusicStatus)
            readMusicStatus(musicStatus);
    }

    // Starts the clock before the first scene: frequency, first reading, pacing state.
    void startClock();
    // nowMs = trunc(counter × msPerTick).
    void readClock();
    void resetSceneClock();
    // 1: draw and present this pass now; 0: skip drawing. Blocks until the pass is due.
    int frameTick();
    // Returns once the millisecond time has advanced by at least n.
    void waitMs(std::uint32_t n);

private:
    // Waits until readClock gives nowMs − from ≥ span (unsigned, as the clock wraps).
    void waitUntilElapsed(std::uint32_t from, std::uint32_t span);
};

// The show's one frame service.
extern FrameService frameService;

}  // namespace host
