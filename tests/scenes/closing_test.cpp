// The closing scene: the fountain's births, flight and rebirth from the
// show's random sequence, maxDepth, the cross-fade, a whole frame,
// and the run step ending on the end picture.

#include "scenes/closing.h"
#include "tests/scenes/scene_test_support.h"

#include "render/blit.h"

#include <cmath>

namespace {

using namespace scenes;
using Frame = scenes::test::TestFrame;

TEST(Fountain, BirthsOnTheRingFromFourDrawsEach)
{
    host::ShowRandom random, fourDraws;
    for (int i = 0; i < 4; ++i)
        fourDraws.rand();
    Particle first{};
    spawnParticle(first, 0, random);
    EXPECT_EQ(random.seed, fourDraws.seed) << "four numbers per birth";
    EXPECT_EQ(first.x, 30.0f);
    EXPECT_EQ(first.y, 2.0f);
    EXPECT_EQ(first.vy, 15.0f);
    EXPECT_EQ(first.age, 0);

    Particle opposite{};
    spawnParticle(opposite, 35, random);
    EXPECT_EQ(opposite.x, -30.0f);
    EXPECT_NEAR(opposite.z, 0.0f, 1e-6f);
    EXPECT_TRUE(opposite.vx <= -1.0f && opposite.vx >= -2.5f) << opposite.vx;
    EXPECT_GE(opposite.life, 32);
    EXPECT_LE(opposite.life, 159);
}

TEST(Fountain, GravityAndRebirth)
{
    host::ShowRandom random;
    ParticleSystem fountain;
    for (int i = 0; i < particleCount; ++i) spawnParticle(fountain.particles[i], i, random);
    Particle& rising = fountain.particles[0];
    rising.life = 1000;
    Particle& grounded = fountain.particles[1];
    grounded.life = 32;
    grounded.y = 0.0f;  // at the ground: stays put, but still ages
    for (auto& p : fountain.particles) if (&p != &rising && &p != &grounded) p.life = 1000;

    int risingUpdates = 0;
    for (int update = 1; update <= 34; ++update) {
        updateParticles(fountain, random);
        if (update == 33) {
            EXPECT_EQ(grounded.age, 33) << "age before this update was 32: not above its life";
            EXPECT_EQ(grounded.y, 0.0f);
        }
    }
    EXPECT_EQ(grounded.age, 0) << "reborn on the 34th update";
    EXPECT_EQ(grounded.y, 2.0f);
    for (risingUpdates = 34; rising.vy > 0; ++risingUpdates) updateParticles(fountain, random);
    EXPECT_NEAR(risingUpdates, 100, 1) << "15 / 0.15 updates of climbing";
    EXPECT_GT(rising.y, 700.0f);
}

TEST(CrossFade, KeepsMostOfTheFrameAtItsStartAndUsesTwoRememberedTables)
{
    Frame frame, end;
    frame.at(0, 0) = 0x00FFFFFF, end.at(0, 0) = 0x00FFFFFF;
    frame.at(1, 0) = 0x00808080;
    end.at(2, 0) = 0x000000FF;
    frame.at(3, 0) = 0xAB000000;  // a top byte is kept
    render::LevelTable frameTable, endTable;
    crossFade(frame.span(), render::ConstFrameSpan(end.pixels.data(), display::framePixels), 248, frameTable, endTable);
    EXPECT_EQ(frame.at(0, 0), 0x00FDFDFDu);  // 247 + 6
    EXPECT_EQ(frame.at(1, 0), 0x007C7C7Cu);  // 128 × 248 / 256
    EXPECT_EQ(frame.at(2, 0), 0x00000006u);  // 255 × 7 / 256
    EXPECT_EQ(frame.at(3, 0), 0xAB000000u);
    crossFade(frame.span(), render::ConstFrameSpan(end.pixels.data(), display::framePixels), 248, frameTable, endTable);
    EXPECT_EQ(endTable.rebuildCount(), 1u);
    EXPECT_EQ(endTable.level(), 7);
}

TEST(ClosingScene, MaxDepthNeverDecreases)
{
    auto& scene = scenes::test::loadedScene<ClosingScene>();
    Frame frame;
    double previous = scene.fountain().maxDepth;
    for (std::uint32_t clock = 0; clock < 1024; clock += 16) {
        scene.advancePass({42, 0, clock}, host::showRandom);
        scene.drawPass(frame.span(), {42, 0, clock}, false);
        double deepest = -1e300;
        for (const Particle& p : scene.fountain().particles) deepest = std::max<double>(deepest, p.rz);
        ASSERT_GE(scene.fountain().maxDepth, previous);
        ASSERT_GE(scene.fountain().maxDepth, deepest);
        previous = scene.fountain().maxDepth;
    }
}

// Position 42, row 20, angle 30, the load's pre-rolled fountain 60 passes on:
// the starry violet sky with the glowing rim of a planet at the bottom right,
// the white wire-frame station tilted on the left around column 100, and a
// spray of small red, green and blue sparks streaming from its hub up and to
// the left. Looked at.
TEST(ClosingScene, BusyFrame)
{
    ClosingScene scene;  // its own fountain, drawn from a fresh random sequence
    host::showRandom = host::ShowRandom{};
    scenes::test::showSines();
    ASSERT_TRUE(scene.load(scenes::test::generatedLibrary(), scenes::test::showContext()).ok());
    Frame frame;
    for (int pass = 0; pass < 60; ++pass) scene.advancePass({42, 20, 120}, host::showRandom);
    scene.drawPass(frame.span(), {42, 20, 120}, false);
    EXPECT_EQ(scenes::test::frameHash(frame, "closing"), 12301453190144116869u);
}

TEST(ClosingScene, RunStepEndsOnTheEndPicture)
{
    auto& scene = scenes::test::loadedScene<ClosingScene>();
    scenes::test::expectNoPassesFrom(scene, 45);

    scenes::test::RunHarness harness(41, 33);
    EXPECT_EQ(scenes::test::play(scene), host::StepResult::finished);
    EXPECT_EQ(harness.kept.count, 4 * 64);
    EXPECT_TRUE(scenes::test::isBlack(harness.kept.first));
    // Row 63 of position 44: L = 0, the end picture at 255/256 brightness.
    std::vector<std::uint32_t> expected(scene.endPicture(), scene.endPicture() + display::framePixels);
    render::fadeFrame(render::FrameSpan(expected.data(), display::framePixels), 255);
    EXPECT_EQ(harness.kept.last, expected);
}

}  // namespace
