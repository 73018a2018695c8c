#pragma once
// The window scene: a full-screen picture whose pure-white areas are a window
// onto a 256 × 256 texture mapped in polar coordinates. The radial coordinate
// is measured from one wandering centre and the angular one from another, so
// the texture streams outward and turns. Six light beams sweep over the right
// of the window, a picture is added at the bottom right, and the frame fades
// in at position 26 and out at the end of position 29.

#include "render/image.h"
#include "render/wire.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace scenes {

constexpr int polarTableWidth = 640;   // x = −320..319 at column x + 320
constexpr int polarTableHeight = 400;  // y = −200..199 at row y + 200
constexpr int polarTextureSize = 256;

// 256 / π, rounded up in its last digits: with it, an angle of exactly π
// gives 256, which the byte wraps to 0.
constexpr double angularBytesPerRadian = 81.4873308630505;

// Radial byte trunc(√(x² + y²)) mod 256 in the low byte, angular byte
// trunc(atan2(y, x) × 256 / π) mod 256 in the high byte (a full turn runs
// twice through 0..255; negative angles keep their low 8 bits).
std::uint16_t polarEntry(int x, int y);

struct PolarMap {
    std::vector<Pixel> texture = std::vector<Pixel>(polarTextureSize * polarTextureSize);  // row = angular, column = radial
    std::vector<std::uint16_t> polarTable;  // polarTableHeight rows of polarTableWidth entries
    std::uint8_t radialPhase = 0;   // added to every radial byte
    std::uint8_t angularPhase = 0;  // added to every angular byte
    std::uint8_t step = 0;          // the animation counter
    // Where the 320 × 200 windows into polarTable start (0..320, 0..200): the
    // radial centre is seen at (320 − radialOffsetX, 200 − radialOffsetY).
    std::int32_t radialOffsetX = 0, radialOffsetY = 0;
    std::int32_t angularOffsetX = 0, angularOffsetY = 0;
};

std::vector<std::uint16_t> buildPolarTable();

// One animation step: radialPhase − 1, angularPhase + 1, step + 1 (bytes), and
// the two centres moved on from the sine table by the new step.
void advancePolarMap(PolarMap& polar, const render::SineTableView& sines);

// Replaces every frame pixel that is exactly 0x00FFFFFF by the texture at
// (row angular byte + angularPhase, column radial byte + radialPhase); every
// other pixel stays. Offsets outside their ranges are taken at the nearest
// edge, so every lookup stays inside the table.
void drawPolarMap(const PolarMap& polar, render::FrameSpan frame);

namespace reference {
// drawPolarMap pixel by pixel as a plain test and two-dimensional lookups; the
// tuned version must give the same frame.
void drawPolarMap(const PolarMap& polar, render::FrameSpan frame);
}  // namespace reference

// The six light beams' columns at scene clock t, in drawing order.
std::array<int, 6> beamColumns(std::uint32_t sceneClock, const render::SineTableView& sines);

class WindowScene final : public Scene {
public:
    static constexpr int endPosition = 30;

    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One pass's animation, drawn or not.
    void advancePass();
    // One drawn pass: mask (copied with 64-bit moves when wideMoves), polar
    // map, beams, picture, fades.
    void drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves) const;

    PolarMap& polar() { return *polar_; }

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;

private:
    std::unique_ptr<PolarMap> polar_;
    std::vector<Pixel> mask_;           // 320 × 200; exactly white where the window is
    Picture overlay_;                   // 84 × 104
};

}  // namespace scenes
