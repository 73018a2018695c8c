#pragma once
// The generator's drawing surface: floating-point colour per pixel (0..1 per
// channel), coverage masks for shapes and lettering, and the conversions to
// RawImage words. Everything is plain arithmetic in a fixed order, so the
// same program always draws the same bytes.

#include "data/raw_image.h"

#include <cstdint>
#include <initializer_list>
#include <vector>

namespace assetgen {

struct Colour {
    float r = 0, g = 0, b = 0;

    friend Colour operator+(Colour a, Colour b) { return {a.r + b.r, a.g + b.g, a.b + b.b}; }
    friend Colour operator*(Colour a, float k) { return {a.r * k, a.g * k, a.b * k}; }
    friend Colour operator*(Colour a, Colour b) { return {a.r * b.r, a.g * b.g, a.b * b.b}; }
};

Colour mix(Colour a, Colour b, float t);
float clamp01(float value);
float smoothstep(float edge0, float edge1, float value);

// Colour along 0..1 through evenly given stops.
struct Gradient {
    std::vector<Colour> stops;
    Colour at(float t) const;
};

// Coverage 0..1 per pixel.
struct Mask {
    int width = 0, height = 0;
    std::vector<float> coverage;

    Mask() = default;
    Mask(int w, int h) : width(w), height(h), coverage(std::size_t(w) * std::size_t(h), 0.0f) {}
    float at(int x, int y) const;  // 0 outside
    float& operator()(int x, int y) { return coverage[std::size_t(y) * std::size_t(width) + std::size_t(x)]; }
};

// The same shape with `pad` empty pixels around it, so that growing or
// blurring it is not cut off at its edges.
Mask padded(const Mask& mask, int pad);
// Grows the shape by `radius` pixels (the largest coverage within a disc).
Mask dilate(const Mask& mask, int radius);
// Box blur applied `passes` times (three passes look Gaussian).
Mask blur(const Mask& mask, int radius, int passes = 3);
// Copies `source` onto a mask of the given size with its top-left at (x, y).
Mask placed(const Mask& source, int width, int height, int x, int y);

class Canvas {
public:
    Canvas(int width, int height, Colour fill = {});

    int width() const { return width_; }
    int height() const { return height_; }
    Colour& at(int x, int y) { return pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]; }
    Colour at(int x, int y) const { return pixels_[std::size_t(y) * std::size_t(width_) + std::size_t(x)]; }

    // Paints `colour` over the canvas where the mask covers it (mask top-left at x, y).
    void paint(const Mask& mask, int x, int y, Colour colour, float opacity = 1.0f);
    // Paints a per-pixel colour (from `shade(x, y)`) through the mask.
    template <class Shade>
    void paintShaded(const Mask& mask, int x, int y, Shade shade, float opacity = 1.0f)
    {
        for (int my = 0; my < mask.height; ++my) {
            for (int mx = 0; mx < mask.width; ++mx) {
                const int cx = x + mx, cy = y + my;
                const float alpha = mask.at(mx, my) * opacity;
                if (alpha <= 0 || cx < 0 || cy < 0 || cx >= width_ || cy >= height_) continue;
                at(cx, cy) = mix(at(cx, cy), shade(cx, cy), alpha);
            }
        }
    }
    // Adds `colour` × coverage (light, not paint).
    void add(const Mask& mask, int x, int y, Colour colour);
    // Adds a round glow: colour × (1 − d / radius)^power inside the radius.
    void addGlow(float cx, float cy, float radius, Colour colour, float power = 2.0f);

    std::vector<data::Pixel> pixels() const;
    // Opaque where `shape` covers at least half a pixel, the key colour elsewhere.
    // Opaque pixels never equal the key.
    std::vector<data::Pixel> keyedPixels(const Mask& shape) const;
    // For additive sprites: forces the outermost ring of pixels to exact black.
    void clearBorder();

private:
    int width_, height_;
    std::vector<Colour> pixels_;
};

data::Pixel toPixel(Colour colour);

}  // namespace assetgen
