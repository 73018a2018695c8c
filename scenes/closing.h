#pragma once
// The closing scene: over a full-screen background a wire-frame object
// tumbles and bobs on the left, and a fountain of 70 coloured sprites springs
// from a small ring, rises, falls back under gravity and is reborn; the
// fountain stands 260 units up the object's axis and turns with it. The frame
// fades in at position 41; over the second half of position 44 it cross-fades
// into the end picture, which the show then fades to black.

#include "data/mesh.h"
#include "host/show_random.h"
#include "render/level_table.h"
#include "render/wire.h"
#include "scenes/scene.h"
#include "scenes/scene_kit.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

namespace scenes {

constexpr int particleCount = 70;

struct Particle {
    float x, y, z;     // position; y is the height, the ground is y = 0
    float rx, ry, rz;  // position after the view rotation, written every drawn pass
    float vx, vy, vz;  // velocity per update
    std::int32_t age;  // updates since the particle was (re)born
    std::int32_t life; // lifetime in updates, 32..159
    std::int32_t kind; // 0 red, 1 green, 2 blue
};

struct ParticleSystem {
    float gravity = 0.15f;  // taken off a moving particle's vertical speed per update
    std::array<Particle, particleCount> particles{};
    std::array<double, 3> offset{0.0, 260.0, 0.0};  // added before the view rotation
    double maxDepth = -16777215.0;  // the largest rotated depth seen so far; never decreases
    std::array<Picture, 3> images;  // red, green, blue, 16 × 16
};

// Births particle `index` on the ring of radius 30, thrown up at 15 units per
// update and outward at a random 1 to 2.5. Draws four numbers from `random`,
// in this order: life, kind, outward speed along x, along z.
void spawnParticle(Particle& particle, int index, host::ShowRandom& random);

// One update of every particle in index order: a particle above the ground
// moves and slows by gravity, one at or below it stays put; then it ages, and
// is reborn once its age before this update exceeded its life.
void updateParticles(ParticleSystem& fountain, host::ShowRandom& random);

// Where the view puts the object and the fountain in this pass.
struct ClosingView {
    std::uint32_t objectDistance;  // trunc(300 × 1/3) = 100
    std::int32_t centreX;          // 99..101
    std::int32_t centreY;          // 70..130: the object bobs
};
ClosingView closingView(std::uint8_t angle, const render::SineTableView& sines);

// frame × L / 256 + endPicture × (255 − L) / 256 per channel, each product
// through a level table (frameTable at L, endTable at 255 − L).
void crossFade(render::FrameSpan frame, render::ConstFrameSpan endPicture, int level, render::LevelTable& frameTable,
               render::LevelTable& endTable);

class ClosingScene final : public Scene {
public:
    static constexpr int endPosition = 45;
    static constexpr double baseDistance = 300.0;

    // The fountain is born and pre-rolled 256 updates from the show's random sequence.
    data::Status load(data::DataLibrary& library, SceneContext& context) override;
    int endsAt() const override { return endPosition; }

    // One pass, drawn or not: a particle update (drawing from the random
    // sequence), and the angle from the scene clock.
    void advancePass(const PassTime& moment, host::ShowRandom& random);
    // One drawn pass: background (copied with 64-bit moves when wideMoves),
    // object, particles, fade in or cross-fade.
    void drawPass(render::FrameSpan frame, const PassTime& moment, bool wideMoves);

    // The picture the scene ends on, which the show's final fade takes to black.
    const Pixel* endPicture() const { return endPicture_.data(); }

    ParticleSystem& fountain() { return *fountain_; }

protected:
    void animate(SceneContext& context, const PassTime& time) override;
    void paint(SceneContext& context, render::FrameSpan frame, const PassTime& time) override;

private:
    std::unique_ptr<ParticleSystem> fountain_;
    data::Mesh object_;
    std::uint8_t angle_ = 0;
    std::vector<Pixel> background_;  // 320 × 200
    std::vector<Pixel> endPicture_;  // 320 × 200
    render::LevelTable endTable_;    // the cross-fade's table for the end picture
};

}  // namespace scenes
