#pragma once
// Draws every picture of the show at the size data/assets.h gives it.

#include "data/assets.h"
#include "data/raw_image.h"
#include "tools/assetgen/lettering.h"

#include <vector>

namespace assetgen {

// Throws std::runtime_error for a name the generator has no drawing for.
std::vector<data::Pixel> drawPicture(const data::PictureAsset& picture, const Lettering& lettering);

// The program's own picture (shown on its setup window) and window icon.
inline constexpr int programBitmapWidth = 200, programBitmapHeight = 64;
inline constexpr int programIconSize = 32;
std::vector<data::Pixel> drawProgramBitmap(const Lettering& lettering);
std::vector<data::Pixel> drawProgramIcon();

}  // namespace assetgen
