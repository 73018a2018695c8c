// Frames per second of each presenter path: conversion plus copy into a
// surface of the mode's size, as one drawn pass does it (without the lock).

#include "display/presenter.h"
#include "display/screen_modes.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

void presentMode(benchmark::State& state)
{
    const int mode = static_cast<int>(state.range(0));
    const bool is555 = state.range(1) != 0;
    int w = 0, h = 0, bits = 0;
    display::decodeScreenMode(mode, w, h, bits);
    const int pitch = w * ((bits - 1) / 8 + 1);
    std::vector<std::uint8_t> screen(static_cast<std::size_t>(pitch) * h);
    std::vector<display::Pixel> frame(display::framePixels);
    for (std::size_t i = 0; i < frame.size(); ++i)
        frame[i] = static_cast<display::Pixel>(i * 2654435761u) & 0xFFFFFF;
    std::vector<std::uint32_t> conversion(display::framePixels);

    display::PresenterSetup setup;
    setup.screenIs555 = is555;
    display::computeLayout(w, h, bits, pitch, false, setup);
    display::choosePresenter(mode, setup);
    for (auto _ : state) {
        const std::uint32_t* src = display::prepareSource(setup, frame.data(), conversion.data());
        display::writeToScreen(setup, src, screen.data());
        benchmark::DoNotOptimize(screen.data());
        benchmark::ClobberMemory();
    }
    state.counters["frames/s"] = benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
    state.SetLabel(display::screenModeName(w, h, bits) + (is555 ? " 5-5-5" : ""));
}

BENCHMARK(presentMode)
    ->ArgNames({"mode", "555"})
    ->Args({2, 0})->Args({2, 1})->Args({3, 0})->Args({4, 0})
    ->Args({8, 0})->Args({9, 0})->Args({10, 0})
    ->Args({11, 0})->Args({12, 0})->Args({13, 0});

}  // namespace

BENCHMARK_MAIN();
