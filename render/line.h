#pragma once
// Additive lines: every pixel a line passes is brightened by a fixed step per
// channel, so crossing and overlapping lines add up to brighter light.

#include "render/image.h"

#include <cstdint>

namespace render {

// Brightens the pixels of the line from (x0, y0) towards (x1, y1): the start
// point is plotted and the end point is not, max(|dx|, |dy|) points in all.
// Each plotted pixel gets step added to its blue, green and red bytes, each
// limited to 255; its top byte is kept. End points may lie anywhere; the line
// is drawn only if one of them lies in 0..320 × 0..200 (one beyond the last
// pixel), and points outside the frame are skipped one by one.
void addLine(FrameSpan frame, int x0, int y0, int x1, int y1, std::uint8_t step);

namespace reference {
// addLine visiting every one of its points, in or out of the frame; the tuned
// version visits only those whose stepped coordinate lies in the frame and
// must give the same frame.
void addLine(FrameSpan frame, int x0, int y0, int x1, int y1, std::uint8_t step);
}  // namespace reference

}  // namespace render
