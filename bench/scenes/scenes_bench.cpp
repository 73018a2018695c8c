// One drawn pass of each scene at a busy moment, from the generated qorv.dat.
// x_goal is how many times faster than the 0.5 ms goal a pass is (above 1:
// within the goal); the frame budget is 33 ms.

#include "scenes/credits.h"
#include "scenes/opening.h"
#include "scenes/panorama.h"

#include "host/show_random.h"
#include "host/show_state.h"
#include "host/frame_service.h"
#include "display/display.h"
#include "host/sine_table.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using render::Pixel;

constexpr double goalSeconds = 0.0005;

// What the show hands its scenes.
scenes::SceneContext& sceneContext()
{
    static scenes::SceneContext context{host::frameService, host::showState, host::showRandom, display::mainDisplay};
    return context;
}

data::DataLibrary& library()
{
    static data::Loaded<data::DataLibrary> opened = data::DataLibrary::open(SOLVANE_DATA_FILE, data::Access::readOnly);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        std::exit(1);
    }
    return *opened;
}

template <class SceneType>
SceneType loaded()
{
    host::showState.sineTable = host::buildSineTable();
    host::showRandom = host::ShowRandom{};
    SceneType scene;
    const data::Status status = scene.load(library(), sceneContext());
    if (!status) {
        std::fprintf(stderr, "%s\n", status.error().c_str());
        std::exit(1);
    }
    return scene;
}

struct Frames {
    std::vector<Pixel> frame = std::vector<Pixel>(display::framePixels);
    std::vector<Pixel> scratch = std::vector<Pixel>(display::framePixels);
    render::FrameSpan frameSpan() { return render::FrameSpan(frame.data(), display::framePixels); }
    render::FrameSpan scratchSpan() { return render::FrameSpan(scratch.data(), display::framePixels); }
};

// Times drawPass(frames), one drawn pass per iteration.
template <class DrawPass>
void timePasses(benchmark::State& state, Frames& frames, DrawPass drawPass)
{
    for (auto _ : state) {
        drawPass(frames);
        benchmark::DoNotOptimize(frames.frame.data());
    }
    state.SetItemsProcessed(state.iterations());
    state.counters["x_goal"] = benchmark::Counter(static_cast<double>(state.iterations()) * goalSeconds,
                                                  benchmark::Counter::kIsRate);
}

// Position 4, row 48: the full-frame cross-fade through two level tables.
void openingCrossFade(benchmark::State& state)
{
    auto scene = loaded<scenes::OpeningScene>();
    Frames frames;
    timePasses(state, frames, [&](Frames& f) { scene.draw(f.frameSpan(), f.scratchSpan(), 4, 48, state.range(0) != 0); });
}
BENCHMARK(openingCrossFade)->ArgName("wide")->Arg(0)->Arg(1);

// Position 6: background, both ring halves, the demo logo and a word.
void openingRing(benchmark::State& state)
{
    auto scene = loaded<scenes::OpeningScene>();
    Frames frames;
    for (int pass = 0; pass < 120; ++pass) {
        scene.advance(6, host::showRandom);
        scene.draw(frames.frameSpan(), frames.scratchSpan(), 6, 0, false);
    }
    timePasses(state, frames, [&](Frames& f) { scene.draw(f.frameSpan(), f.scratchSpan(), 6, 0, state.range(0) != 0); });
}
BENCHMARK(openingRing)->ArgName("wide")->Arg(0)->Arg(1);

// Position 0, row 16: 50 sparks over black, then the whole-frame fade.
void openingSparks(benchmark::State& state)
{
    auto scene = loaded<scenes::OpeningScene>();
    Frames frames;
    timePasses(state, frames, [&](Frames& f) { scene.draw(f.frameSpan(), f.scratchSpan(), 0, 16, false); });
}
BENCHMARK(openingSparks);

// Position 9, row 16: emblem, a page at level 128, the whole-frame fade.
void creditsPage(benchmark::State& state)
{
    auto scene = loaded<scenes::CreditsScene>();
    scene.advance(9, 16);
    Frames frames;
    timePasses(state, frames, [&](Frames& f) { scene.draw(f.frameSpan(), 9, 16); });
}
BENCHMARK(creditsPage);

// Position 21: panorama, sprites, the object risen into view and turning, the full quote.
void panoramaBusy(benchmark::State& state)
{
    auto scene = loaded<scenes::PanoramaScene>();
    scene.objectCentreY = 100;
    Frames frames;
    std::uint32_t sceneClock = 1750;
    timePasses(state, frames, [&](Frames& f) {
        scene.advance(21);
        scene.draw(f.frameSpan(), 21, 0, ++sceneClock, state.range(0) != 0);
    });
}
BENCHMARK(panoramaBusy)->ArgName("wide")->Arg(0)->Arg(1);

}  // namespace

BENCHMARK_MAIN();
