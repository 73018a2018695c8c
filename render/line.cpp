#include "render/line.h"

#include <algorithm>
#include <cmath>
#include <optional>

namespace render {

namespace {

using display::frameHeight;
using display::frameWidth;

bool acceptsEndPoint(int x, int y)
{
    return 0 <= x && x <= frameWidth && 0 <= y && y <= frameHeight;
}

// How a line is walked: one unit per point along its major axis, the other
// coordinate following by the slope in float64 and truncated toward zero.
// Point j is (major + sign·j, trunc(minor + (sign·j)·slope)) on the axes
// named by alongY. Subtracting j·slope and adding (−j)·slope round alike, so
// one form serves both directions.
struct LineWalk {
    bool alongY;
    std::int64_t major;
    double minor;
    int sign;
    std::int64_t count;
    double slope;
};

std::optional<LineWalk> walkFor(int x0, int y0, int x1, int y1)
{
    if (!acceptsEndPoint(x0, y0) && !acceptsEndPoint(x1, y1))
        return std::nullopt;
    const double dx = static_cast<double>(x1) - x0;
    const double dy = static_cast<double>(y1) - y0;
    // A division by zero gives an infinity and 0 / 0 a NaN; both walk along x,
    // and a single point (the NaN) walks no steps at all.
    const double mx = dx / dy;
    const double my = dy / dx;
    if (-1.0 < mx && mx < 1.0)
        return LineWalk{true, y0, static_cast<double>(x0), dy > 0 ? 1 : -1, static_cast<std::int64_t>(std::abs(dy)), mx};
    return LineWalk{false, x0, static_cast<double>(y0), dx > 0 ? 1 : -1, static_cast<std::int64_t>(std::abs(dx)), my};
}

void plot(FrameSpan frame, std::int64_t x, std::int64_t y, Pixel step)
{
    if (x < 0 || x >= frameWidth || y < 0 || y >= frameHeight)
        return;
    Pixel& pixel = frame[static_cast<std::size_t>(y * frameWidth + x)];
    pixel = (pixel & 0xFF000000u) | saturatingAdd(pixel, step);
}

// Points [first, last) of the walk. |j·slope| < count <= 2^32, so the minor
// coordinate always fits in 64 bits.
void walk(FrameSpan frame, const LineWalk& line, std::int64_t first, std::int64_t last, Pixel step)
{
    for (std::int64_t j = first; j < last; ++j) {
        const std::int64_t offset = line.sign * j;
        const std::int64_t major = line.major + offset;
        const auto minor = static_cast<std::int64_t>(line.minor + static_cast<double>(offset) * line.slope);
        if (line.alongY)
            plot(frame, minor, major, step);
        else
            plot(frame, major, minor, step);
    }
}

Pixel stepPixel(std::uint8_t step)
{
    return Pixel{step} * 0x010101u;
}

}  // namespace

// A line to a far-away end point may have billions of points; only those whose
// major coordinate lies in the frame (at most 320) can be plotted, so the walk
// starts and stops there.
void addLine(FrameSpan frame, int x0, int y0, int x1, int y1, std::uint8_t step)
{
    const std::optional<LineWalk> line = walkFor(x0, y0, x1, y1);
    if (!line)
        return;
    const std::int64_t limit = line->alongY ? frameHeight : frameWidth;
    // major + sign·j in [0, limit) ⇔ sign·j in [−major, limit − major).
    const std::int64_t low = line->sign > 0 ? -line->major : line->major - (limit - 1);
    const std::int64_t high = line->sign > 0 ? limit - line->major : line->major + 1;
    walk(frame, *line, std::max<std::int64_t>(low, 0), std::min(high, line->count), stepPixel(step));
}

namespace reference {

void addLine(FrameSpan frame, int x0, int y0, int x1, int y1, std::uint8_t step)
{
    if (const std::optional<LineWalk> line = walkFor(x0, y0, x1, y1))
        walk(frame, *line, 0, line->count, stepPixel(step));
}

}  // namespace reference

}  // namespace render
