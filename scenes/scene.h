#pragma once
// One effect of the show. Its record holds the pictures and meshes it reads
// and the state it animates; the load step fills it before the display opens,
// and the run step plays it while the music runs, one pass per step.
//
// A scene uses only what its context hands it: the frame service (pacing,
// scene clock, music status), the show state (SineTable, the MMX choice), the
// show's random sequence and the display (FrameBuffer, scratch frame,
// presentFrame).

#include "data/data_library.h"
#include "host/frame_service.h"
#include "render/image.h"
#include "render/wire.h"

#include <cstdint>

namespace display {
class Display;
}
namespace host {
struct ShowState;
struct ShowRandom;
struct SineTable;
}  // namespace host

namespace scenes {

struct SceneContext {
    host::FrameService& frames;
    const host::ShowState& show;
    host::ShowRandom& random;
    display::Display& display;
};

// Where a pass is in the music and in the scene.
struct PassTime {
    int position = 0;
    int row = 0;
    std::uint32_t sceneClock = 0;
};

class Scene {
public:
    virtual ~Scene() = default;

    // Reads the scene's assets; a failure names the file and the entry.
    virtual data::Status load(data::DataLibrary& library, SceneContext& context) = 0;

    // The run step, one pass per call. The first call restarts the scene
    // clock and ends the scene at once, without drawing, when the music is
    // already at its end position. Each pass then reads the music, advances
    // the animation one step, asks the frame service whether to draw (and
    // answers `waiting` until a pass that must wait is due), draws and
    // presents, reads the music again and answers `finished` once it has
    // reached the end position; `aborted` when the viewer ends the show.
    host::StepResult step(SceneContext& context);

    // The music position at which the scene ends.
    virtual int endsAt() const = 0;

protected:
    // One animation step, made in every pass, drawn or not.
    virtual void animate(SceneContext& context, const PassTime& time) = 0;
    // The pass's picture, into the FrameBuffer.
    virtual void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) = 0;

    // The show's sine tables, kept from the load step for the passes.
    void keepSines(const host::ShowState& show);
    render::SineTableView sines() const;

private:
    enum class Phase { entering, passStart, waitingToDraw };
    host::StepResult drawAndEndPass(SceneContext& context);
    host::StepResult endPass(SceneContext& context);

    Phase phase_ = Phase::entering;
    const host::SineTable* sineTable_ = nullptr;
};

}  // namespace scenes
