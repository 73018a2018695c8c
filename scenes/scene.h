#pragma once
// One effect of the show. Its record holds the pictures and meshes it reads
// and the state it animates; the load step fills it before the display opens,
// the run step plays it while the music runs.
//
// What a run step may use: the frame service (host/frame_service.h: frameTick,
// resetSceneClock, sceneClock, refreshMusicStatus and musicStatus), the show
// state (host/show_state.h: SineTable, useMmx), the show's random sequence
// (host/show_random.h), the display (display::mainDisplay: the FrameBuffer,
// the scratch frame, presentFrame) and the render toolkit.

#include "data/data_library.h"

namespace scenes {

class Scene {
public:
    virtual ~Scene() = default;

    // Reads the scene's assets; a failure names the file and the entry.
    virtual data::Status load(data::DataLibrary& library) = 0;

    // Restarts the scene clock and plays passes until the music's position
    // reaches the scene's end position (at once, without drawing, when it
    // already has).
    virtual void run() = 0;
};

}  // namespace scenes
