#pragma once
// What the toolkit draws on and what it draws: a whole 320 × 200 frame of
// 0x00RRGGBB pixels, and a picture of any size that a scene has loaded.

#include "display/frame.h"

#include <cstdint>
#include <span>

namespace render {

using display::Pixel;

// A full frame, rows of 320 pixels top to bottom.
using FrameSpan = std::span<Pixel, display::framePixels>;
using ConstFrameSpan = std::span<const Pixel, display::framePixels>;

// A picture the blits read: width × height pixels, row-major, top row first.
// The pixels belong to the scene that loaded them.
struct Image {
    const Pixel* pixels = nullptr;
    std::uint16_t width = 0;
    std::uint16_t height = 0;
};

// Adds b to a channel by channel (blue, green, red), each sum limited to 255.
// The top byte of the result is 0. All three channels at once: the low seven
// bits of each byte are added without carries between bytes, each byte's top
// bit is put back as a ^ b ^ (carry into it), and a byte overflowed when both
// top bits were set or one was and the sum's is clear; such bytes become 255.
constexpr Pixel saturatingAdd(Pixel a, Pixel b)
{
    const Pixel low = (a & 0x7F7F7F) + (b & 0x7F7F7F);
    const Pixel sum = low ^ ((a ^ b) & 0x808080);
    const Pixel overflow = ((a & b) | ((a | b) & ~sum)) & 0x808080;
    return sum | (overflow >> 7) * 0xFF;
}

namespace reference {
// saturatingAdd one channel at a time.
constexpr Pixel saturatingAdd(Pixel a, Pixel b)
{
    Pixel sum = 0;
    for (int shift = 0; shift <= 16; shift += 8) {
        const Pixel channel = ((a >> shift) & 0xFF) + ((b >> shift) & 0xFF);
        sum |= (channel < 255 ? channel : 255) << shift;
    }
    return sum;
}
}  // namespace reference

}  // namespace render
