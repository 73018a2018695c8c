#include "tools/assetgen/noise.h"

#include <cmath>

namespace assetgen {

namespace {

int wrap(int value, int period)
{
    if (period <= 0) return value;
    const int m = value % period;
    return m < 0 ? m + period : m;
}

float fade(float t) { return t * t * (3 - 2 * t); }

}  // namespace

float latticeValue(int x, int y, std::uint32_t seed)
{
    std::uint32_t h = seed * 0x9E3779B1u ^ std::uint32_t(x) * 0x85EBCA77u ^ std::uint32_t(y) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    h *= 0x297A2D39u;
    h ^= h >> 15;
    return float(h >> 8) * (1.0f / 16777215.0f);
}

float valueNoise(float x, float y, std::uint32_t seed, int periodX, int periodY)
{
    const float fx = std::floor(x), fy = std::floor(y);
    const int ix = int(fx), iy = int(fy);
    const float tx = fade(x - fx), ty = fade(y - fy);
    const auto value = [&](int dx, int dy) {
        return latticeValue(wrap(ix + dx, periodX), wrap(iy + dy, periodY), seed);
    };
    const float top = value(0, 0) + (value(1, 0) - value(0, 0)) * tx;
    const float bottom = value(0, 1) + (value(1, 1) - value(0, 1)) * tx;
    return top + (bottom - top) * ty;
}

float fractalNoise(float x, float y, int octaves, std::uint32_t seed, int periodX, int periodY)
{
    float sum = 0, weight = 1, total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += valueNoise(x, y, seed + std::uint32_t(octave) * 101u, periodX, periodY) * weight;
        total += weight;
        x *= 2;
        y *= 2;
        periodX *= 2;
        periodY *= 2;
        weight *= 0.5f;
    }
    return sum / total;
}

}  // namespace assetgen
