#include "render/wire.h"

#include <cmath>
#include <limits>

namespace render {

Rotation::Rotation(std::uint8_t angleX, std::uint8_t angleY, std::uint8_t angleZ, const SineTableView& sines)
    : sinX_(sines.sinTable[angleX]), cosX_(sines.cosTable[angleX]),
      sinY_(sines.sinTable[angleY]), cosY_(sines.cosTable[angleY]),
      sinZ_(sines.sinTable[angleZ]), cosZ_(sines.cosTable[angleZ])
{
}

RotatedPoint Rotation::apply(double x, double y, double z) const
{
    const double x1 = x * cosY_ - z * sinY_;
    const double z1 = z * cosY_ + x * sinY_;
    const double y2 = y * cosX_ - z1 * sinX_;
    const double z2 = y * sinX_ + z1 * cosX_;
    const double x3 = x1 * cosZ_ - y2 * sinZ_;
    const double y3 = x1 * sinZ_ + y2 * cosZ_;
    return {x3, y3, z2};
}

std::int32_t truncToInt32(double value)
{
    constexpr auto lowest = std::numeric_limits<std::int32_t>::min();
    constexpr auto highest = std::numeric_limits<std::int32_t>::max();
    if (std::isnan(value) || value <= lowest - 1.0)
        return lowest;
    if (value >= highest + 1.0)
        return highest;
    return static_cast<std::int32_t>(value);
}

ScreenPoint projectPoint(const RotatedPoint& point, double d, std::int32_t centreX, std::int32_t centreY)
{
    const double depth = point.rz + d;
    return {truncToInt32(256.0 * point.rx / depth + centreX), truncToInt32(-256.0 * point.ry / depth + centreY)};
}

ScreenPoint projectPoint(const RotatedPoint& point, std::uint32_t d, std::int32_t centreX, std::int32_t centreY)
{
    const double k = 1.0 / (static_cast<double>(d) + point.rz);
    return {truncToInt32(256.0 * point.rx * k + centreX), truncToInt32(-256.0 * point.ry * k + centreY)};
}

bool isBeyondNearLimit(double rz, double d)
{
    // Compared in floating point: the same answer as truncating to an integer
    // first, for every depth, even those no integer can hold.
    return std::trunc(rz + d) > 1.0;
}

bool facesViewer(ScreenPoint a, ScreenPoint b, ScreenPoint c)
{
    // In float64 the differences of any two int32 values are exact.
    const double w = (static_cast<double>(b.sx) - a.sx) * (static_cast<double>(a.sy) - c.sy) -
                     (static_cast<double>(a.sy) - b.sy) * (static_cast<double>(c.sx) - a.sx);
    return w <= 0.0;
}

}  // namespace render
