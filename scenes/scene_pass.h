#pragma once
// What the late scenes share: the moment a pass runs at, the run loop every
// scene has, and the small whole-frame steps they draw with (64-bit or plain
// copies, 1:1 additive pictures, the fades timed by the music).

#include "data/assets.h"
#include "data/data_library.h"
#include "render/image.h"
#include "render/wire.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace scenes {

using render::Pixel;

// Where the show is when a pass runs: the music's order-list position and row,
// and the scene clock (hundredths of a second since the scene began).
struct PassMoment {
    int position = 0;
    int row = 0;
    std::uint32_t sceneClock = 0;
};

// The loop every scene runs: restart the scene clock; return at once, without
// drawing, when the music is already at endPosition or later. Otherwise, per
// pass: refresh the music status, advance the animation, and when frameTick
// says so draw into the FrameBuffer and present it; refresh again and leave
// once the position has reached endPosition. advance sees the scene clock of
// the previous pass, draw the one frameTick has just computed.
struct PassSteps {
    std::function<void(const PassMoment&)> advance;
    std::function<void(render::FrameSpan, const PassMoment&)> draw;
};
void playPasses(int endPosition, const PassSteps& steps);

// A picture a scene owns, and the Image the blits read from it.
struct Picture {
    std::vector<Pixel> pixels;
    std::uint16_t width = 0;
    std::uint16_t height = 0;

    render::Image image() const { return {pixels.data(), width, height}; }
};

// Reads the asset's RawImage into picture at the asset's size.
data::Status readPicture(data::DataLibrary& library, const data::PictureAsset& asset, Picture& picture);

// The show's sine and cosine tables, as the toolkit reads them.
render::SineTableView showSines();

// trunc(scale × tableValue + centre): a wave read from the sine table, the
// product in floating point, truncated toward zero.
int wave(double scale, float tableValue, double centre);

// Copies source into dest (the same size). With sixtyFourBit the pixels move in
// pairs as 64-bit words (the show's "MMX" path); the result is the same.
void copyPixels(std::span<Pixel> dest, std::span<const Pixel> source, bool sixtyFourBit);

// Adds the picture 1:1 at full strength with its top-left corner at (x, y):
// per channel min(255, frame + picture). Parts outside the frame are dropped.
void addPicture(render::FrameSpan frame, const render::Image& picture, int x, int y);

// A fade in from black over rows 0..31 of `position`: level row × 8.
std::optional<int> fadeInLevel(const PassMoment& moment, int position);
// A fade out to black over rows 32..63 of `position`: level (63 − row) × 8,
// 248 down to 0 (0 for any later row).
std::optional<int> fadeOutLevel(const PassMoment& moment, int position);

}  // namespace scenes
