#pragma once
// The arms scene: a wide panorama scrolls across its whole width while a star
// of five arms, each a chain of fifteen glowing sprites, turns in front of it.
// Each sprite's rotation lags behind the one inside it by a twist that grows
// from position 34, so the straight arms curl; the star comes closer, and from
// position 36 slides to the middle. A picture fades in and out at the top
// right; the frame fades in at position 30 and out at the end of position 40.

#include "render/image.h"
#include "render/wire.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

namespace scenes {

constexpr int armCount = 5;
constexpr int pointsPerArm = 15;
constexpr int armSpriteSize = 32;

// A point of an arm: model coordinates and their rotated values.
struct ArmPoint {
    double x, rx;
    double y, ry;
    double z, rz;
};

struct SpriteArms {
    double distance = 2000.0;  // viewing distance
    std::uint8_t angle = 0;    // the star's base rotation, 1/256 turn
    double twist = 0.0;        // how far each sprite lags behind the one inside it, in angle units
    Picture sprite;            // 32 × 32, drawn at every point
    std::array<ArmPoint, armCount * pointsPerArm> points{};  // arm by arm, innermost first
    std::int32_t centreX = 250;  // frame column of the star's centre
};

// Arm a at a × 72 degrees; its points at radius 30, 45, ... 240 in the z = 0 plane.
std::array<ArmPoint, armCount * pointsPerArm> buildArmPoints();

struct ArmAngles {
    std::uint8_t x, y, z;
};
// The three rotation angles of a sprite whose lagged angle is b.
ArmAngles armAngles(std::uint8_t b);
// b = trunc(angle − k × twist) mod 256 for point k of an arm.
std::uint8_t laggedAngle(std::uint8_t angle, int k, double twist);

// Every point rotated by its own lagged angles.
void rotateArms(SpriteArms& arms, const render::SineTableView& sines);

struct SpritePlacement {
    int x0, y0;  // top-left corner
    int size;    // width and height
    int level;   // brightness, nearer (larger) sprites brighter
};
// Where a rotated point's sprite goes: perspective position, a size from the
// depth cue (255 − rz) / 510, and none unless it lies strictly inside the frame.
std::optional<SpritePlacement> placeArmSprite(const ArmPoint& point, double distance, std::int32_t centreX);

class ArmsScene final : public Scene {
public:
    static constexpr int endPosition = 41;
    static constexpr int panoramaWidth = 900;
    static constexpr int panMax = panoramaWidth - 320;  // 580

    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One pass, drawn or not: the base angle from the scene clock, the slide to the middle.
    void advancePass(const PassTime& moment);
    // One drawn pass: scroll, approach and twist, panorama (copied with
    // 64-bit moves when wideMoves), sprites, picture, fades.
    void drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves);

    SpriteArms& arms() { return *arms_; }
    int panX() const { return panX_; }

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;

private:
    std::vector<Pixel> panorama_;  // 900 × 200
    std::unique_ptr<SpriteArms> arms_;
    std::int32_t panX_ = 0;        // 0..580
    Picture picture_;              // 119 × 131
};

}  // namespace scenes
