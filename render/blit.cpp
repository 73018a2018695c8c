#include "render/blit.h"

#include "render/level_table.h"

#include <algorithm>

namespace render {

namespace {

using display::frameHeight;
using display::frameWidth;

// The indices i in [0, length) for which start + i lies in [0, limit).
struct Visible {
    int first = 0;
    int last = 0;  // one past the end; last <= first means none
};

Visible visibleRange(int start, int length, int limit)
{
    const std::int64_t first = std::clamp<std::int64_t>(-std::int64_t{start}, 0, length);
    const std::int64_t last = std::clamp<std::int64_t>(std::int64_t{limit} - start, 0, length);
    return {static_cast<int>(first), static_cast<int>(last)};
}

// Source steps per destination pixel, unsigned 24.8 fixed point: the integer
// source coordinate is the accumulated step >> 8.
struct Steps {
    std::uint32_t x;
    std::uint32_t y;
};

Steps stepsFor(const Image& image, int width, int height)
{
    // Source size over destination size, times 256, truncated; at most 65535 × 256.
    return {static_cast<std::uint32_t>(static_cast<double>(image.width) / width * 256.0),
            static_cast<std::uint32_t>(static_cast<double>(image.height) / height * 256.0)};
}

bool drawsNothing(const Image& image, int width, int height)
{
    return width < 1 || height < 1 || image.width == 0 || image.height == 0;
}

}  // namespace

void blitKeyed(FrameSpan dest, const Image& image, int x, int y)
{
    const Visible columns = visibleRange(x, image.width, frameWidth);
    const Visible rows = visibleRange(y, image.height, frameHeight);
    for (int row = rows.first; row < rows.last; ++row) {
        const Pixel* source = image.pixels + std::size_t{image.width} * row;
        Pixel* out = dest.data() + std::size_t{frameWidth} * (y + row);
        for (int column = columns.first; column < columns.last; ++column) {
            if (source[column] != transparentKey)
                out[x + column] = source[column];
        }
    }
}

// Only the visible rectangle is walked: the source position of its first
// pixel is the step times the number of clipped pixels, exactly where the
// per-pixel walk of the reference would have arrived.
void blitScaledAdd(FrameSpan dest, const Image& image, int x, int y, int width, int height, int level)
{
    const LevelTable& table = levelTable().setLevel(static_cast<std::uint8_t>(level));
    if (drawsNothing(image, width, height))
        return;
    const Steps steps = stepsFor(image, width, height);
    const Visible columns = visibleRange(x, width, frameWidth);
    const Visible rows = visibleRange(y, height, frameHeight);
    std::uint32_t sy = steps.y * static_cast<std::uint32_t>(rows.first);
    for (int row = rows.first; row < rows.last; ++row, sy += steps.y) {
        const Pixel* source = image.pixels + std::size_t{image.width} * (sy >> 8);
        Pixel* out = dest.data() + std::size_t{frameWidth} * (y + row);
        std::uint32_t sx = steps.x * static_cast<std::uint32_t>(columns.first);
        for (int column = columns.first; column < columns.last; ++column, sx += steps.x) {
            const Pixel pixel = source[sx >> 8];
            if (pixel != 0)
                out[x + column] = saturatingAdd(out[x + column], table.scale(pixel));
        }
    }
}

void fadeFrame(FrameSpan dest, ConstFrameSpan source, int level)
{
    const LevelTable& table = levelTable().setLevel(static_cast<std::uint8_t>(std::clamp(level, 0, 255)));
    std::transform(source.begin(), source.end(), dest.begin(), [&table](Pixel pixel) { return table.scale(pixel); });
}

void fadeFrame(FrameSpan frame, int level)
{
    fadeFrame(frame, frame, level);
}

namespace reference {

void blitScaledAdd(FrameSpan dest, const Image& image, int x, int y, int width, int height, int level)
{
    const LevelTable& table = levelTable().setLevel(static_cast<std::uint8_t>(level));
    if (drawsNothing(image, width, height))
        return;
    const Steps steps = stepsFor(image, width, height);
    std::uint32_t sy = 0;
    for (int row = 0; row < height; ++row, sy += steps.y) {
        // Taken as unsigned, a negative coordinate is above 319 (or 199) too,
        // so one test clips both edges.
        const std::uint32_t destY = static_cast<std::uint32_t>(y) + static_cast<std::uint32_t>(row);
        std::uint32_t sx = 0;
        for (int column = 0; column < width; ++column, sx += steps.x) {
            const std::uint32_t destX = static_cast<std::uint32_t>(x) + static_cast<std::uint32_t>(column);
            if (destX > frameWidth - 1u || destY > frameHeight - 1u)
                continue;
            const Pixel pixel = image.pixels[std::size_t{image.width} * (sy >> 8) + (sx >> 8)];
            if (pixel == 0)
                continue;
            Pixel& out = dest[std::size_t{frameWidth} * destY + destX];
            out = saturatingAdd(out, table.scale(pixel));
        }
    }
}

}  // namespace reference

}  // namespace render
