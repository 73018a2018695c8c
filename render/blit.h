#pragma once
// The 2D primitives every scene draws with: the keyed sprite copy, the scaled
// additive glow blit, and the whole-frame fade. Coordinates are frame pixels,
// (0, 0) at the top left, y growing down.
//
// Both blits clip against all four edges of the frame, so no placement can
// write outside it; a sprite that lies wholly inside draws exactly as without
// clipping.

#include "render/image.h"

#include <cstdint>

namespace render {

// Colour a keyed sprite treats as transparent.
constexpr Pixel transparentKey = 0x00FF00FF;

// Copies the image 1:1 (all 32 bits of each pixel) with its top-left corner at
// (x, y), leaving the frame unchanged where the image is magenta.
void blitKeyed(FrameSpan dest, const Image& image, int x, int y);

// Draws the image stretched to width × height with its top-left corner at
// (x, y). Each source pixel that is not exactly black is scaled by level / 256
// per channel through the shared LevelTable and added to the frame with
// saturation at 255; the written pixel's top byte is 0. Only the low byte of
// level is used. Nothing is drawn when width or height is below 1.
void blitScaledAdd(FrameSpan dest, const Image& image, int x, int y, int width, int height, int level);

// Scales every pixel's blue, green and red bytes by level / 256 through the
// shared LevelTable, keeping the top byte. level is limited to 0..255.
void fadeFrame(FrameSpan frame, int level);
// The same, reading from source and writing to dest (they may be the same frame).
void fadeFrame(FrameSpan dest, ConstFrameSpan source, int level);

namespace reference {
// blitScaledAdd as a plain walk over every destination pixel with a clipping
// test per pixel; the tuned version must give the same frame.
void blitScaledAdd(FrameSpan dest, const Image& image, int x, int y, int width, int height, int level);
}  // namespace reference

}  // namespace render
