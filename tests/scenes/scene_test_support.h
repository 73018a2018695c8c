#pragma once
// What the scene tests share: the generated qorv.dat, the show's state as
// start-up leaves it, whole-frame hashes (also written as PNG files to look
// at when SOLVANE_FRAME_DIR names a folder), and a run-step harness on
// virtual time whose music moves on with the clock.

#include "display/display.h"
#include "host/frame_service.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "host/sine_table.h"
#include "platform/capture.h"
#include "platform/clock.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"
#include "tests/render/test_frame.h"
#include "tests/support/generated_library.h"
#include "tests/support/kept_frames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

namespace scenes::test {

using render::test::TestFrame;
using testsupport::generatedLibrary;

// Fills the show's sine table and returns a view of it.
inline render::SineTableView showSines()
{
    host::showState.sineTable = host::buildSineTable();
    return {host::showState.sineTable.sinTable, host::showState.sineTable.cosTable};
}

// What the show hands its scenes: its frame service, state, random sequence
// and display.
inline SceneContext& showContext()
{
    static SceneContext context{host::frameService, host::showState, host::showRandom, display::mainDisplay};
    return context;
}

// The run step on the desktop's loop: passes until the scene ends.
inline host::StepResult play(Scene& scene)
{
    return host::runSteps(host::frameService, [&scene] { return scene.step(showContext()); });
}

// The show's state as start-up leaves it: the sine table filled, the random
// sequence at its start.
inline void resetShowState()
{
    showSines();
    host::showRandom = host::ShowRandom{};
}

// Loads a scene from qorv.dat after resetting the show's state.
template <class SceneType>
void loadScene(SceneType& scene)
{
    resetShowState();
    const data::Status status = scene.load(generatedLibrary(), showContext());
    ASSERT_TRUE(status) << status.error();
}

// One scene loaded once for all the tests of a file.
template <class SceneType>
SceneType& loadedScene()
{
    showSines();
    static SceneType scene;
    static const data::Status loaded = scene.load(generatedLibrary(), showContext());
    EXPECT_TRUE(loaded.ok()) << loaded.error();
    return scene;
}

// 64-bit FNV-1a over the frame's pixels, low byte first; the frame is also
// written as <SOLVANE_FRAME_DIR>/<name>.png when that is set.
inline std::uint64_t frameHash(const TestFrame& frame, const std::string& name)
{
    if (const char* folder = std::getenv("SOLVANE_FRAME_DIR"))
        platform::writePng(std::string(folder) + "/" + name + ".png", frame.pixels.data(), display::frameWidth,
                           display::frameHeight);
    std::uint64_t hash = 14695981039346656037u;
    for (const render::Pixel pixel : frame.pixels)
        for (int shift = 0; shift < 32; shift += 8)
            hash = (hash ^ (pixel >> shift & 0xFF)) * 1099511628211u;
    return hash;
}

inline bool isBlack(const std::vector<std::uint32_t>& pixels)
{
    return pixels.size() == display::framePixels && std::all_of(pixels.begin(), pixels.end(), [](auto p) { return p == 0; });
}
inline bool isBlack(const TestFrame& frame) { return isBlack(frame.pixels); }

using testsupport::KeptFrames;

// The show's display without a window, presenting into `kept`, and the frame
// service on a virtual clock. The music starts at firstPosition row 0 and
// moves one row every rowMs of virtual time, 64 rows a position. With rowMs
// 33 each pass sees the next row, so the fades reach their ends exactly.
class RunHarness {
public:
    RunHarness(int firstPosition, int rowMs)
    {
        static const bool opened = [] {
            platform::VideoOptions video;
            video.window = false;
            return display::mainDisplay.create(video) &&
                   display::mainDisplay.openDisplay(4, false) == display::OpenResult::ok;  // 320 × 200 × 32: frames as drawn
        }();
        EXPECT_TRUE(opened);
        display::mainDisplay.video().setFrameSink(&kept);
        auto& service = host::frameService;
        service = host::FrameService{};
        service.clock = &clock;
        service.startClock();
        const std::uint32_t start = service.nowMs;
        service.musicStatus.position = firstPosition;
        service.readMusicStatus = [this, start, firstPosition, rowMs](MusicStatus& status) {
            ++musicReads;
            const std::uint32_t rows = (host::frameService.nowMs - start) / rowMs;
            status.position = firstPosition + static_cast<int>(rows / 64);
            status.row = static_cast<int>(rows % 64);
        };
    }
    ~RunHarness() { display::mainDisplay.video().setFrameSink(nullptr); }

    platform::VirtualClock clock;
    KeptFrames kept;
    int musicReads = 0;
};

// A scene entered when the music is already at its end position returns at
// once: nothing drawn, the music not even read.
inline void expectNoPassesFrom(Scene& scene, int position)
{
    RunHarness late(position, 33);
    EXPECT_EQ(play(scene), host::StepResult::finished);
    EXPECT_EQ(late.kept.count, 0) << "entering at position " << position << " draws nothing";
    EXPECT_EQ(late.musicReads, 0);
}

}  // namespace scenes::test
