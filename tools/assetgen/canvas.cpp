#include "tools/assetgen/canvas.h"

#include <algorithm>
#include <cmath>

namespace assetgen {

float clamp01(float value) { return std::clamp(value, 0.0f, 1.0f); }

float smoothstep(float edge0, float edge1, float value)
{
    const float t = clamp01((value - edge0) / (edge1 - edge0));
    return t * t * (3 - 2 * t);
}

Colour mix(Colour a, Colour b, float t) { return a * (1 - t) + b * t; }

Colour Gradient::at(float t) const
{
    const float scaled = clamp01(t) * float(stops.size() - 1);
    const std::size_t index = std::min(std::size_t(scaled), stops.size() - 2);
    return mix(stops[index], stops[index + 1], scaled - float(index));
}

float Mask::at(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height) return 0;
    return coverage[std::size_t(y) * std::size_t(width) + std::size_t(x)];
}

Mask padded(const Mask& mask, int pad) { return placed(mask, mask.width + 2 * pad, mask.height + 2 * pad, pad, pad); }

Mask dilate(const Mask& mask, int radius)
{
    Mask grown(mask.width, mask.height);
    for (int y = 0; y < mask.height; ++y) {
        for (int x = 0; x < mask.width; ++x) {
            float best = 0;
            for (int dy = -radius; dy <= radius; ++dy) {
                for (int dx = -radius; dx <= radius; ++dx) {
                    // Soft disc edge: a neighbour counts less the further out it lies.
                    const float reach = clamp01(float(radius) + 0.5f - std::sqrt(float(dx * dx + dy * dy)));
                    best = std::max(best, mask.at(x + dx, y + dy) * reach);
                }
            }
            grown(x, y) = best;
        }
    }
    return grown;
}

Mask blur(const Mask& mask, int radius, int passes)
{
    Mask current = mask;
    const float scale = 1.0f / float(2 * radius + 1);
    for (int pass = 0; pass < passes; ++pass) {
        Mask across(current.width, current.height);
        for (int y = 0; y < current.height; ++y) {
            for (int x = 0; x < current.width; ++x) {
                float sum = 0;
                for (int d = -radius; d <= radius; ++d) sum += current.at(x + d, y);
                across(x, y) = sum * scale;
            }
        }
        for (int y = 0; y < current.height; ++y) {
            for (int x = 0; x < current.width; ++x) {
                float sum = 0;
                for (int d = -radius; d <= radius; ++d) sum += across.at(x, y + d);
                current(x, y) = sum * scale;
            }
        }
    }
    return current;
}

Mask placed(const Mask& source, int width, int height, int x, int y)
{
    Mask result(width, height);
    for (int sy = 0; sy < source.height; ++sy) {
        for (int sx = 0; sx < source.width; ++sx) {
            const int tx = x + sx, ty = y + sy;
            if (tx >= 0 && ty >= 0 && tx < width && ty < height) result(tx, ty) = source.at(sx, sy);
        }
    }
    return result;
}

Canvas::Canvas(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(std::size_t(width) * std::size_t(height), fill)
{
}

void Canvas::paint(const Mask& mask, int x, int y, Colour colour, float opacity)
{
    paintShaded(mask, x, y, [colour](int, int) { return colour; }, opacity);
}

void Canvas::add(const Mask& mask, int x, int y, Colour colour)
{
    for (int my = 0; my < mask.height; ++my) {
        for (int mx = 0; mx < mask.width; ++mx) {
            const int cx = x + mx, cy = y + my;
            if (cx < 0 || cy < 0 || cx >= width_ || cy >= height_) continue;
            at(cx, cy) = at(cx, cy) + colour * mask.at(mx, my);
        }
    }
}

void Canvas::addGlow(float cx, float cy, float radius, Colour colour, float power)
{
    const int x0 = std::max(0, int(std::floor(cx - radius)));
    const int x1 = std::min(width_ - 1, int(std::ceil(cx + radius)));
    const int y0 = std::max(0, int(std::floor(cy - radius)));
    const int y1 = std::min(height_ - 1, int(std::ceil(cy + radius)));
    for (int y = y0; y <= y1; ++y) {
        for (int x = x0; x <= x1; ++x) {
            const float d = std::hypot(float(x) - cx, float(y) - cy) / radius;
            if (d < 1) at(x, y) = at(x, y) + colour * std::pow(1 - d, power);
        }
    }
}

data::Pixel toPixel(Colour colour)
{
    const auto channel = [](float v) { return data::Pixel(std::lround(clamp01(v) * 255.0f)); };
    return channel(colour.r) << 16 | channel(colour.g) << 8 | channel(colour.b);
}

std::vector<data::Pixel> Canvas::pixels() const
{
    std::vector<data::Pixel> result(pixels_.size());
    std::transform(pixels_.begin(), pixels_.end(), result.begin(), toPixel);
    return result;
}

std::vector<data::Pixel> Canvas::keyedPixels(const Mask& shape) const
{
    std::vector<data::Pixel> result = pixels();
    for (std::size_t i = 0; i < result.size(); ++i) {
        if (shape.coverage[i] < 0.5f) {
            result[i] = data::assets::keyColour;
        } else if (result[i] == data::assets::keyColour) {
            result[i] = 0x00FE00FF;
        }
    }
    return result;
}

void Canvas::clearBorder()
{
    for (int x = 0; x < width_; ++x) at(x, 0) = at(x, height_ - 1) = Colour{};
    for (int y = 0; y < height_; ++y) at(0, y) = at(width_ - 1, y) = Colour{};
}

}  // namespace assetgen
