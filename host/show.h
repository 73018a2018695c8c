#pragma once
// The show's fixed script: start-up, the scenes in order, the final fade and
// the shutdown, and the abort that Escape starts.
//
// Once the music plays, the show runs as steps that never wait inside
// themselves: a step answers `waiting` and leaves its deadline with the frame
// service. On the desktop, runShow loops over the steps with precise waits
// (host::runSteps); a browser calls them from its animation frames.

#include "display/display.h"
#include "host/command_line.h"
#include "host/frame_service.h"
#include "scenes/scene.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>

namespace host {

// Runs the whole show; returns the process exit code: 1 after a complete
// show or a start-up failure, 0 after the abort. A closed setup window ends
// the process with exit code 0 from inside.
int runShow(const ShowOptions& options);

// runShow in three parts, for a caller that drives the steps itself (the
// browser's animation frames). startShow does everything up to the sound's
// start; showStep is one step of the show (a stage of the loading, the
// display settling, the passes, and after Escape the abort's steps) until it
// answers `finished`; endShow then releases what is left and answers
// runShow's exit code. A start-up failure, in startShow or in the loading,
// ends the process as runShow does.
void startShow(const ShowOptions& options);
StepResult showStep();
int endShow();

// `count` actions spaced in time: each waits until at least gapMs have passed
// since it began, then acts (the final fade, and the abort's music fade).
class SpacedSteps {
public:
    SpacedSteps(int count, std::uint32_t gapMs, std::function<void(int index)> act);
    StepResult step(FrameService& service);

private:
    int count_;
    std::uint32_t gapMs_;
    std::function<void(int)> act_;
    int next_ = 0;
    bool waiting_ = false;
};

// The end of the show: the closing picture fades to black over 256 presented
// frames (levels 255 down to 0, at least 1 ms apart); the last is all black.
// Escape is not seen while it runs.
SpacedSteps finalFadeSteps(display::Display& screen, const display::Pixel* endPicture);

// The show once the music plays: the six scenes in order, then (after
// scenesOver, which stops the music) the final fade.
class ShowPasses {
public:
    ShowPasses(const std::array<scenes::Scene*, 6>& scenes, scenes::SceneContext& context,
               const display::Pixel* endPicture, std::function<void()> scenesOver);
    // One pass; `aborted` when the viewer ends the show during a scene.
    StepResult step();

private:
    std::array<scenes::Scene*, 6> scenes_;
    scenes::SceneContext& context_;
    std::size_t current_ = 0;
    std::function<void()> scenesOver_;
    SpacedSteps fade_;
};

// Escape's ending, as steps: the music fades out in 63 volume steps 5 ms
// apart and stops, and everything the show holds is closed; 50 ms later the
// message "Demonstration aborted, darn it..." follows. The show then ends
// with exit code 0.
class AbortSteps {
public:
    AbortSteps();
    StepResult step();

private:
    bool started_ = false;
    SpacedSteps fade_;
    SpacedSteps pause_;
};

// One line in the loading progress: "%s" in format replaced by argument, line
// feeds removed, at most 255 characters.
void progressLine(const char* format, const char* argument = "");
std::string formatProgressLine(const char* format, const char* argument);

}  // namespace host
