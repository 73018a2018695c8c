#pragma once
// What the scenes share: pictures loaded from the data library, the frame
// copies with their 64-bit path, the 1:1 additive picture, the music-timed
// fade levels and the sine-table waves.

#include "data/assets.h"
#include "data/data_library.h"
#include "render/image.h"
#include "render/wire.h"
#include "scenes/scene.h"

#include <cstddef>
#include <initializer_list>
#include <optional>
#include <span>
#include <vector>

namespace scenes {

using render::Pixel;

// A decoded picture and the Image the blits read it through.
struct Picture {
    std::vector<Pixel> pixels;
    std::uint16_t width = 0;
    std::uint16_t height = 0;

    render::Image image() const { return {pixels.data(), width, height}; }
};

// Reads the asset's entry into picture, sized from the asset table.
data::Status loadPicture(data::DataLibrary& library, const data::PictureAsset& asset, Picture& picture);

struct PictureLoad {
    const data::PictureAsset& asset;
    Picture& picture;
};
// loadPicture for each in order, stopping at the first failure.
data::Status loadPictures(data::DataLibrary& library, std::initializer_list<PictureLoad> loads);

// Copies source into dest (dest.size() pixels, source at least as long).
// With wideMoves the pixels go two at a time as 64-bit words (the MMX path),
// otherwise one at a time; the result is the same.
void copyPixels(std::span<Pixel> dest, const Pixel* source, bool wideMoves);

// A whole frame copied with the chosen moves.
inline void copyFrame(render::FrameSpan dest, render::ConstFrameSpan source, bool wideMoves)
{
    copyPixels(dest, source.data(), wideMoves);
}

// Adds the picture 1:1 with its top-left corner at (x, y), channel by channel
// with saturation at 255, unscaled. Rows and columns outside the frame are
// dropped.
void addPicture(render::FrameSpan frame, const render::Image& picture, int x, int y);

// The scratch frame of the open display.
render::FrameSpan scratchFrameOf(display::Display& display);

// trunc(scale × tableValue + centre): a wave read from the sine table, the
// product in floating point, truncated toward zero.
int wave(double scale, float tableValue, double centre);

// A fade in from black over rows 0..31 of `position`: level row × 8.
std::optional<int> fadeInLevel(const PassTime& time, int position);
// A fade out to black over rows 32..63 of `position`: level (63 − row) × 8,
// 248 down to 0 (0 for any later row).
std::optional<int> fadeOutLevel(const PassTime& time, int position);

}  // namespace scenes
