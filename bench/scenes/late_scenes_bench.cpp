// One drawn pass of the window, arms and closing scenes at a busy moment, and
// the polar map alone, tuned beside reference. Goal: every drawn pass under
// 0.5 ms. Reads qorv.dat from the current folder or next to the program.
#include "host/data_files.h"
#include "host/show_random.h"
#include "host/show_state.h"
#include "host/frame_service.h"
#include "display/display.h"
#include "scenes/arms.h"
#include "scenes/closing.h"
#include "scenes/window.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using render::Pixel;

struct Frame {
    std::vector<Pixel> pixels = std::vector<Pixel>(display::framePixels);
    render::FrameSpan span() { return render::FrameSpan(pixels.data(), display::framePixels); }
};

// What the show hands its scenes.
scenes::SceneContext& sceneContext()
{
    static scenes::SceneContext context{host::frameService, host::showState, host::showRandom, display::mainDisplay};
    return context;
}

data::DataLibrary& library()
{
    static auto opened = data::DataLibrary::open(host::locateDataFile("qorv.dat"), data::Access::readOnly);
    if (!opened) {
        std::fprintf(stderr, "%s\n", opened.error().c_str());
        std::exit(1);
    }
    return *opened;
}

template <class SceneType>
SceneType& loaded()
{
    host::showState.sineTable = host::buildSineTable();
    static SceneType scene;
    static const bool ok = [] {
        const auto status = scene.load(library(), sceneContext());
        if (!status) std::fprintf(stderr, "%s\n", status.error().c_str());
        return status.ok();
    }();
    if (!ok) std::exit(1);
    return scene;
}

void windowPass(benchmark::State& state)
{
    auto& scene = loaded<scenes::WindowScene>();
    Frame frame;
    for (int pass = 0; pass < 40; ++pass) scene.advancePass();
    for (auto _ : state) {
        scene.drawPass(frame.span(), {28, 10, 1320}, false);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

// A whole frame of window, and a white texture so that it stays all window:
// every pixel is replaced in every iteration.
template <auto Draw>
void polarMap(benchmark::State& state)
{
    scenes::PolarMap polar = loaded<scenes::WindowScene>().polar();
    std::fill(polar.texture.begin(), polar.texture.end(), 0x00FFFFFF);
    const render::SineTableView sines{host::showState.sineTable.sinTable, host::showState.sineTable.cosTable};
    for (int pass = 0; pass < 40; ++pass) scenes::advancePolarMap(polar, sines);
    Frame frame;
    std::fill(frame.pixels.begin(), frame.pixels.end(), 0x00FFFFFF);
    for (auto _ : state) {
        Draw(polar, frame.span());
        benchmark::DoNotOptimize(frame.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{display::framePixels});
}

// Passes advanced and drawn one after another from `start`, the scene clock
// moving on as in the show.
template <class SceneType>
void advancingPass(benchmark::State& state, scenes::PassTime moment)
{
    auto& scene = loaded<SceneType>();
    Frame frame;
    for (auto _ : state) {
        moment.sceneClock += 3;
        if constexpr (requires { scene.advancePass(moment, host::showRandom); })
            scene.advancePass(moment, host::showRandom);
        else
            scene.advancePass(moment);
        scene.drawPass(frame.span(), moment, false);
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

BENCHMARK(windowPass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(polarMap<scenes::drawPolarMap>)->Name("polarMap/tuned")
    ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(polarMap<scenes::reference::drawPolarMap>)->Name("polarMap/reference")
    ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
const bool advancingPassesRegistered = [] {
    // Position 34: the picture at full strength and all 75 sprites, most of them large.
    benchmark::RegisterBenchmark("armsPass", advancingPass<scenes::ArmsScene>, scenes::PassTime{34, 40, 700})
        ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
    // Position 44, row 40: the object, 70 sparks and the cross-fade.
    benchmark::RegisterBenchmark("closingPass", advancingPass<scenes::ClosingScene>, scenes::PassTime{44, 40, 300})
        ->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
    return true;
}();

}  // namespace

BENCHMARK_MAIN();
