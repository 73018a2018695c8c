// Time and throughput of the toolkit's hot loops, tuned beside reference. The
// glow sprites of the scenes are 1 to 32 pixels square and a scene draws up to
// 75 of them per frame; a whole drawn pass should stay under 0.5 ms.
#include "render/blit.h"
#include "render/line.h"
#include "render/wire.h"

#include <benchmark/benchmark.h>

#include <array>
#include <cmath>
#include <numbers>
#include <vector>

namespace {

using render::Pixel;

struct Frame {
    std::vector<Pixel> pixels = std::vector<Pixel>(display::framePixels, 0x00101010);
    render::FrameSpan span() { return render::FrameSpan(pixels.data(), display::framePixels); }
};

// A 32 × 32 round glow: bright in the middle, black in the corners.
std::vector<Pixel> glow()
{
    std::vector<Pixel> pixels(32 * 32);
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const double r = std::hypot(x - 15.5, y - 15.5);
            const auto v = static_cast<Pixel>(std::max(0.0, 255.0 - r * 16.0));
            pixels[static_cast<std::size_t>(y) * 32 + x] = v * 0x010101u;
        }
    return pixels;
}

template <auto Blit>
void blitScaledAdd(benchmark::State& state)
{
    const std::vector<Pixel> pixels = glow();
    const render::Image image{pixels.data(), 32, 32};
    const int size = static_cast<int>(state.range(0));
    Frame frame;
    int level = 0;
    for (auto _ : state) {
        // Positions and levels vary as in a particle scene, some sprites half off the left edge.
        Blit(frame.span(), image, (level * 37) % 340 - 10, (level * 13) % (200 - size), size, size, level & 0xFF);
        ++level;
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * size * size);
}
BENCHMARK(blitScaledAdd<render::blitScaledAdd>)->Name("blitScaledAdd")->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Arg(64);
BENCHMARK(blitScaledAdd<render::reference::blitScaledAdd>)
    ->Name("blitScaledAdd/reference")->Arg(4)->Arg(8)->Arg(16)->Arg(32)->Arg(64);

void fadeFrame(benchmark::State& state)
{
    Frame frame;
    int level = 0;
    for (auto _ : state) {
        render::fadeFrame(frame.span(), 255 - (level++ & 7));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(display::framePixels));
}
BENCHMARK(fadeFrame);

// Lines of an object partly off the frame: from inside to points far outside.
template <auto Line>
void addLine(benchmark::State& state)
{
    Frame frame;
    for (auto _ : state) {
        Line(frame.span(), 160, 100, -2000, 900, 15);
        Line(frame.span(), 10, 10, 4000, 30, 15);
        benchmark::ClobberMemory();
    }
}
BENCHMARK(addLine<render::addLine>)->Name("addLine/far_ends");
BENCHMARK(addLine<render::reference::addLine>)->Name("addLine/far_ends/reference");

struct Vertex {
    double x, rx, y, ry, z, rz;
    std::int32_t sx, sy;
};
struct Face {
    std::int32_t a, b, c, ab, bc, ca;
};

// A latitude-longitude sphere of radius 200: 12 × 24 quads, 576 faces, every
// edge flagged. Its faces wind so that the half turned to the viewer draws.
void drawMeshWire(benchmark::State& state)
{
    constexpr int rings = 12, segments = 24;
    std::vector<Vertex> vertices;
    for (int i = 0; i <= rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const double theta = std::numbers::pi * i / rings, phi = 2 * std::numbers::pi * j / segments;
            vertices.push_back({200 * std::sin(theta) * std::cos(phi), 0, 200 * std::cos(theta), 0,
                                200 * std::sin(theta) * std::sin(phi), 0, 0, 0});
        }
    std::vector<Face> faces;
    for (int i = 0; i < rings; ++i)
        for (int j = 0; j < segments; ++j) {
            const int p = i * segments + j, q = i * segments + (j + 1) % segments;
            faces.push_back({p, q, q + segments, 1, 1, 0});
            faces.push_back({p, q + segments, p + segments, 0, 1, 1});
        }
    std::array<float, 256> sines{}, cosines{};
    for (int i = 0; i < 256; ++i) {
        sines[i] = static_cast<float>(std::sin(i * std::numbers::pi / 128));
        cosines[i] = static_cast<float>(std::cos(i * std::numbers::pi / 128));
    }
    Frame frame;
    std::uint8_t angle = 0;
    for (auto _ : state) {
        render::drawMeshWire(std::span(vertices), std::span(faces), frame.span(), 75, 100, 1624.0, angle, angle,
                             angle, 15, {sines, cosines});
        angle = static_cast<std::uint8_t>(angle + 2);
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations() * static_cast<std::int64_t>(faces.size()));
}
BENCHMARK(drawMeshWire);

}  // namespace

BENCHMARK_MAIN();
