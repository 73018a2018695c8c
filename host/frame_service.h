#pragma once
// What paces every pass of the show: keeps the window's events moving, paces
// the show to one animation step every 33 ms, says whether a pass is drawn,
// skipped to catch up, or must wait for its time, keeps the scene clock, and
// notices the viewer's abort. It also owns the millisecond clock.
//
// Nothing here blocks but the waits that say so: a pass that must wait hands
// its deadline to the driver of the show, which waits (the desktop: sleep
// until shortly before it, spin the rest) or comes back later (the browser's
// next animation frame).

#include "platform/clock.h"
#include "sound/include/corvid.h"

#include <cstdint>
#include <functional>

namespace host {

// What one step of the show answers the loop that drives it.
enum class StepResult {
    running,   // step again at once
    yielding,  // step again once the host has had its turn (a browser draws the page)
    waiting,   // step again once the frame service's deadline is reached
    finished,  // this part of the show is over
    aborted,   // the viewer asked to end the show
};

// The millisecond time `span` after `from` (unsigned, as the clock wraps).
struct Deadline {
    std::uint32_t from = 0;
    std::uint32_t span = 0;
};

// What the pacing rule answers at the start of a pass.
enum class PassVerdict {
    draw,   // draw and present now
    skip,   // animation step only, no drawing
    wait,   // draw once the deadline is reached (releaseWaitingPass)
    abort,  // the viewer asked to end the show
};

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
    Deadline deadline;                 // what the step that answered `waiting` waits for

    // Reads the playing music's position into the argument.
    std::function<void(MusicStatus&)> readMusicStatus;

    // One window event at most per pass; may set abortRequested.
    std::function<void()> pumpMessage;

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

    // The start of a pass: one window event, the abort check, then the 33 ms
    // rule. A pass answered `wait` keeps its deadline in `deadline`.
    PassVerdict beginPass();
    // For a pass answered `wait`: false while its time has not come; then
    // true, and the pass is released for drawing.
    bool releaseWaitingPass();
    // beginPass with its wait done here: 1 draw, 0 skip, -1 abort.
    int frameTick();

    // Starts a wait of n milliseconds from now in `deadline`.
    void startWait(std::uint32_t n);
    // Reads the clock; whether `deadline` is reached.
    bool deadlineReached();
    // The first counter value at which `deadline` is reached.
    std::uint64_t deadlineTicks() const;
    // Returns once `deadline` is reached.
    void waitForDeadline();
    // Returns once the millisecond time has advanced by at least n.
    void waitMs(std::uint32_t n);

private:
    PassVerdict releasePass();
};

// The desktop's loop: steps until the show part is finished or aborted,
// waiting for the frame service's deadline whenever a step asks to.
StepResult runSteps(FrameService& service, const std::function<StepResult()>& step);

// One turn of a host that is called back rather than looping (a browser's
// animation frame): steps while they run; waits out a wait of at most
// shortWaitMs within the turn (the final fade's 1 ms steps, the abort's 5 ms
// volume steps) as long as the turn then ends within budgetMs; otherwise
// ends the turn. The result is what ended it: `waiting` (call again for the
// deadline), `yielding`, `finished` or `aborted`; busyMs is the turn's time
// without the waits.
struct Turn {
    StepResult result = StepResult::waiting;
    double busyMs = 0;
};
Turn runTurn(FrameService& service, const std::function<StepResult()>& step, double shortWaitMs, double budgetMs);

// The show's one frame service.
extern FrameService frameService;

}  // namespace host
