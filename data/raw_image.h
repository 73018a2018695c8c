#pragma once
// RawImage: a headerless picture of width × height pixels, three bytes each
// (red, green, blue), rows top to bottom. Its size is a constant of the code
// that reads it (data/assets.h). Decoded pixels are FrameBuffer words
// 0x00RRGGBB, so scenes copy, blend and sample them as they are.

#include "data/assets.h"
#include "data/data_library.h"
#include "data/loaded.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace data {

using Pixel = std::uint32_t;  // 0x00RRGGBB

// Fills `destination` from its pixel count × 3 bytes; false (and nothing
// written) when `bytes` is shorter than that.
bool decodeRawImage(std::span<const std::byte> bytes, std::span<Pixel> destination);
std::vector<std::byte> encodeRawImage(std::span<const Pixel> pixels);

// Reads the picture's entry into `destination` (picture.pixelCount() pixels).
// An entry shorter than the picture is an error and leaves `destination` as it was.
Status readRawImage(DataLibrary& library, const PictureAsset& picture, std::span<Pixel> destination);
Loaded<std::vector<Pixel>> readRawImage(DataLibrary& library, const PictureAsset& picture);

}  // namespace data
