#pragma once
// A heap frame for the toolkit tests: exactly 64 000 pixels, so the sanitizer
// build catches any write outside it.

#include "render/image.h"

#include <vector>

namespace render::test {

struct TestFrame {
    explicit TestFrame(Pixel fill = 0) : pixels(display::framePixels, fill) {}

    FrameSpan span() { return FrameSpan(pixels.data(), display::framePixels); }
    Pixel& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * display::frameWidth + x]; }

    std::vector<Pixel> pixels;
};

}  // namespace render::test
