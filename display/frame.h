#pragma once
// The FrameBuffer format every scene and toolkit routine draws in: 320 × 200
// pixels, each the 32-bit number 0x00RRGGBB (bytes blue, green, red, 0 in
// memory), rows top to bottom with a stride of 320 pixels.

#include <cstddef>
#include <cstdint>

namespace display {

using Pixel = std::uint32_t;

constexpr int frameWidth = 320;
constexpr int frameHeight = 200;
constexpr int frameBits = 32;
constexpr std::size_t framePixels = std::size_t{frameWidth} * frameHeight;  // 64 000
constexpr std::size_t frameBytes = framePixels * sizeof(Pixel);              // 256 000

}  // namespace display
