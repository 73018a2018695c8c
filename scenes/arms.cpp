#include "scenes/arms.h"

#include "data/raw_image.h"
#include "host/show_state.h"
#include "render/blit.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace scenes {

namespace {

using display::frameHeight;
using display::frameWidth;

constexpr int pictureX = 250 - 119 / 2;  // 191
constexpr int pictureY = 24;
constexpr int starCentreY = 89;

// The picture's level at the top right: fading in over the second half of
// position 33, full strength (none) through 34, fading out over the first half of 35.
struct PictureStrength {
    bool shown = false;
    std::optional<int> level;  // none: full strength
};

PictureStrength pictureStrength(const PassTime& moment)
{
    if (moment.position == 33 && moment.row >= 32)
        return {true, ((moment.row - 32) * 8) % 256};
    if (moment.position == 34)
        return {true, std::nullopt};
    if (moment.position == 35 && moment.row < 32)
        return {true, ((31 - moment.row) * 8) % 256};
    return {};
}

}  // namespace

std::array<ArmPoint, armCount * pointsPerArm> buildArmPoints()
{
    std::array<ArmPoint, armCount * pointsPerArm> points{};
    for (int a = 0; a < armCount; ++a) {
        const double phi = a * std::numbers::pi * 0.4;
        for (int k = 0; k < pointsPerArm; ++k) {
            const double radius = 30 + 15 * k;
            ArmPoint& point = points[a * pointsPerArm + k];
            point.x = radius * std::cos(phi);
            point.y = radius * std::sin(phi);
            point.z = 0;
        }
    }
    return points;
}

std::uint8_t laggedAngle(std::uint8_t angle, int k, double twist)
{
    return static_cast<std::uint8_t>(static_cast<std::int32_t>(angle - k * twist));
}

ArmAngles armAngles(std::uint8_t b)
{
    const double a = b * std::numbers::pi / 64;
    const double c = b * std::numbers::pi / 128;
    const auto x = static_cast<std::int32_t>(64 * (std::cos(a) + 1) + 64 * (std::sin(c) + 1));
    const auto y = static_cast<std::int32_t>(64 * (std::sin(a) + 1) + 64 * (std::cos(c) + 1));
    return {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), b};
}

void rotateArms(SpriteArms& arms, const render::SineTableView& sines)
{
    for (int k = 0; k < pointsPerArm; ++k) {
        const ArmAngles angles = armAngles(laggedAngle(arms.angle, k, arms.twist));
        const render::Rotation rotation(angles.x, angles.y, angles.z, sines);
        for (int a = 0; a < armCount; ++a) {
            ArmPoint& point = arms.points[a * pointsPerArm + k];
            const render::RotatedPoint rotated = rotation.apply(point.x, point.y, point.z);
            point.rx = rotated.rx;
            point.ry = rotated.ry;
            point.rz = rotated.rz;
        }
    }
}

std::optional<SpritePlacement> placeArmSprite(const ArmPoint& point, double distance, std::int32_t centreX)
{
    const double k = 1.0 / (point.rz + distance);
    // The star is drawn with y not negated: its turn reads the same either way.
    const double sx = render::truncToInt32(256 * point.rx * k + centreX);
    const double sy = render::truncToInt32(256 * point.ry * k + starCentreY);
    double scale = (255 - point.rz) / 510;  // a depth cue, not perspective
    if (scale == 0)
        scale = 1;
    const double size = std::clamp(32 * scale, 0.0, 32.0);
    const std::int32_t x0 = render::truncToInt32(sx - size / 2);
    const std::int32_t y0 = render::truncToInt32(sy - size / 2);
    if (!(x0 > 0 && y0 > 0 && x0 < frameWidth - size && y0 < frameHeight - size && size > 1))
        return std::nullopt;
    const int n = static_cast<int>(size);
    return SpritePlacement{x0, y0, n, (4 * n + 127) % 256};
}

data::Status ArmsScene::load(data::DataLibrary& library, SceneContext& context)
{
    keepSines(context.show);
    panorama_.resize(data::assets::panorama2.pixelCount());
    if (auto read = data::readRawImage(library, data::assets::panorama2, panorama_); !read)
        return read;
    arms_ = std::make_unique<SpriteArms>();
    if (auto read = loadPicture(library, data::assets::armSprite, arms_->sprite); !read)
        return read;
    arms_->points = buildArmPoints();
    return loadPicture(library, data::assets::spiral, picture_);
}

void ArmsScene::advancePass(const PassTime& moment)
{
    arms_->angle = static_cast<std::uint8_t>(moment.sceneClock / 4);
    if (moment.position > 35 && arms_->centreX > 160)
        --arms_->centreX;
}

void ArmsScene::drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves)
{
    SpriteArms& arms = *arms_;
    if (moment.position < endPosition) {
        // The panorama crosses its full width in 35 seconds.
        panX_ = std::clamp(static_cast<int>(moment.sceneClock / 3500.0 * panMax), 0, panMax);
        if (moment.position >= 34) {
            if (arms.distance > 1024.0)
                arms.distance -= 20.0;
            if (arms.twist < 1.5)
                arms.twist += 0.01;
        }
        for (int y = 0; y < frameHeight; ++y)
            copyPixels(frame.subspan(std::size_t{frameWidth} * y, frameWidth),
                       panorama_.data() + std::size_t{panoramaWidth} * y + panX_,
                       wideMoves);
    }

    rotateArms(arms, sines());
    const render::Image sprite = arms.sprite.image();
    for (const ArmPoint& point : arms.points) {
        if (const auto placed = placeArmSprite(point, arms.distance, arms.centreX))
            render::blitScaledAdd(frame, sprite, placed->x0, placed->y0, placed->size, placed->size, placed->level);
    }

    if (const PictureStrength strength = pictureStrength(moment); strength.shown) {
        const render::Image picture = picture_.image();
        if (strength.level)
            render::blitScaledAdd(frame, picture, pictureX, pictureY, picture.width, picture.height, *strength.level);
        else
            addPicture(frame, picture, pictureX, pictureY);
    }

    if (const auto level = fadeInLevel(moment, 30))
        render::fadeFrame(frame, *level);
    if (const auto level = fadeOutLevel(moment, endPosition - 1))
        render::fadeFrame(frame, *level);
}

void ArmsScene::animate(SceneContext&, const PassTime& time) { advancePass(time); }

void ArmsScene::paint(SceneContext& context, render::FrameSpan frame, const PassTime& time)
{
    drawPass(frame, time, context.show.mmx.useMmx);
}

}  // namespace scenes
