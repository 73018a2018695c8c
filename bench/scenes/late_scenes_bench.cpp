// One drawn pass of the window, arms and closing scenes at a busy moment, and
// the polar map alone, tuned beside reference. Goal: every drawn pass under
// 0.5 ms. Reads qorv.dat from the current folder or next to the program.
#include "host/data_files.h"
#include "host/show_state.h"
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
        const auto status = scene.load(library());
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
        scene.drawPass(frame.span(), {28, 10, 1320});
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

template <auto Draw>
void polarMap(benchmark::State& state)
{
    auto& scene = loaded<scenes::WindowScene>();
    Frame frame;
    for (auto _ : state) {
        state.PauseTiming();
        std::fill(frame.pixels.begin(), frame.pixels.end(), 0x00FFFFFF);  // all window: every pixel replaced
        state.ResumeTiming();
        Draw(scene.polar(), frame.span());
        benchmark::DoNotOptimize(frame.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * std::int64_t{display::framePixels});
}

// Position 34: the picture at full strength and all 75 sprites, most of them large.
void armsPass(benchmark::State& state)
{
    auto& scene = loaded<scenes::ArmsScene>();
    Frame frame;
    std::uint32_t clock = 700;
    for (auto _ : state) {
        clock += 3;
        scene.advancePass({34, 40, clock});
        scene.drawPass(frame.span(), {34, 40, clock});
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

// Position 44, row 40: the object, 70 sparks and the cross-fade.
void closingPass(benchmark::State& state)
{
    auto& scene = loaded<scenes::ClosingScene>();
    Frame frame;
    std::uint32_t clock = 300;
    for (auto _ : state) {
        clock += 3;
        scene.advancePass({44, 40, clock});
        scene.drawPass(frame.span(), {44, 40, clock});
        benchmark::DoNotOptimize(frame.pixels.data());
    }
}

BENCHMARK(windowPass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(polarMap<scenes::drawPolarMap>)->Name("polarMap/tuned")->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(polarMap<scenes::reference::drawPolarMap>)->Name("polarMap/reference")->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(armsPass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();
BENCHMARK(closingPass)->Unit(benchmark::kMicrosecond)->Repetitions(5)->ReportAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
