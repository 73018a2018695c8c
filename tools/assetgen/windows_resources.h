#pragma once
// The program's picture and icon as Windows resource files, for the resource
// compiler: a 24-bit BMP file and a one-image ICO file (32-bit colour, every
// pixel opaque).

#include "data/raw_image.h"

#include <cstdint>
#include <vector>

namespace assetgen {

// Pixels 0x00RRGGBB, rows top to bottom.
std::vector<std::uint8_t> bmpFile(const std::vector<data::Pixel>& pixels, int width, int height);
std::vector<std::uint8_t> icoFile(const std::vector<data::Pixel>& pixels, int size);

}  // namespace assetgen
