// The arms scene: the lagged angles, the sprites' size,
// level and strict on-screen tests, a whole frame, and the run step.

#include "scenes/arms.h"
#include "tests/scenes/scene_test_support.h"


namespace {

using namespace scenes;
using Frame = scenes::test::TestFrame;

TEST(ArmAngles, LaggedAnglesTruncateTowardZeroAndWrap)
{
    EXPECT_EQ(laggedAngle(10, 3, 1.5), 5);      // trunc(5.5)
    EXPECT_EQ(laggedAngle(0, 14, 1.5), 235);    // −21 keeps its low byte
    EXPECT_EQ(laggedAngle(0, 1, 0.01), 0);      // trunc(−0.01) is 0, not −1
    EXPECT_EQ(laggedAngle(200, 14, 0.0), 200);  // no twist: every point turns alike
}

ArmPoint pointAt(double rx, double ry, double rz) { return {0, rx, 0, ry, 0, rz}; }

TEST(ArmSprites, DepthCueSizeAndLevel)
{
    const auto nearest = placeArmSprite(pointAt(0, 0, 255), 2000, 250);  // scale 0 is taken as 1
    ASSERT_TRUE(nearest);
    EXPECT_EQ(nearest->size, 32);
    EXPECT_EQ(nearest->level, 255);
    EXPECT_EQ(nearest->x0, 234);
    EXPECT_EQ(nearest->y0, 73);
    const auto back = placeArmSprite(pointAt(0, 0, -255), 2000, 250);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->size, 32);
    const auto middle = placeArmSprite(pointAt(0, 0, 0), 2000, 250);
    ASSERT_TRUE(middle);
    EXPECT_EQ(middle->size, 16);
    EXPECT_EQ(middle->level, 191);
    EXPECT_FALSE(placeArmSprite(pointAt(0, 0, 240), 2000, 250)) << "size 0.47: too small";
}

TEST(ArmSprites, OnScreenTestsAreStrict)
{
    // rz 0: size 16, so the corner is 8 left of and above the centre.
    EXPECT_FALSE(placeArmSprite(pointAt(0, 0, 0), 2000, 8)) << "x0 = 0";
    EXPECT_TRUE(placeArmSprite(pointAt(0, 0, 0), 2000, 9));
    EXPECT_FALSE(placeArmSprite(pointAt(0, 0, 0), 2000, 312)) << "x0 = 304 = 320 − size";
    EXPECT_TRUE(placeArmSprite(pointAt(0, 0, 0), 2000, 311));
    const double rowsUp = -81 * 2000 / 256.0;  // moves the centre from row 89 to row 8
    EXPECT_FALSE(placeArmSprite(pointAt(0, rowsUp, 0), 2000, 100)) << "y0 = 0";
    EXPECT_TRUE(placeArmSprite(pointAt(0, rowsUp + 7.8125, 0), 2000, 100)) << "y0 = 1";
}

// Position 34, row 40, after 60 drawn passes: purple hills under a starry
// dusk sky, and at the top right the five arms of pink glowing sprites curled
// into a pinwheel around column 250, larger and brighter towards their tips
// where they come nearer, over the spiral picture at full strength. Looked at.
TEST(ArmsScene, BusyFrame)
{
    auto& scene = scenes::test::loadedScene<ArmsScene>();
    scene.arms().distance = 2000.0, scene.arms().twist = 0.0, scene.arms().centreX = 250;
    Frame frame;
    for (std::uint32_t pass = 1; pass <= 60; ++pass) {
        const PassTime moment{34, 40, 700 + pass * 3};
        scene.advancePass(moment);
        scene.drawPass(frame.span(), moment, false);
    }
    EXPECT_EQ(scene.arms().distance, 1020.0);
    EXPECT_NEAR(scene.arms().twist, 0.6, 1e-9);
    EXPECT_EQ(scenes::test::frameHash(frame, "arms"), 17740517154399931805u);
}

TEST(ArmsScene, RunStepFadesInAndOutSlidesAndLeavesAtPosition41)
{
    auto& scene = scenes::test::loadedScene<ArmsScene>();
    scenes::test::expectNoPassesFrom(scene, 41);

    scene.arms().distance = 2000.0, scene.arms().twist = 0.0, scene.arms().centreX = 250;
    scenes::test::RunHarness harness(30, 33);
    EXPECT_EQ(scenes::test::play(scene), host::StepResult::finished);
    EXPECT_EQ(harness.kept.count, 11 * 64);
    EXPECT_TRUE(scenes::test::isBlack(harness.kept.first));
    EXPECT_TRUE(scenes::test::isBlack(harness.kept.last));
    EXPECT_EQ(scene.arms().centreX, 160) << "one column a pass from position 36, stopping at 160";
    EXPECT_EQ(scene.arms().distance, 1020.0);
    EXPECT_GE(scene.arms().twist, 1.5);
    EXPECT_LT(scene.arms().twist, 1.5 + 0.01 + 1e-9);
    EXPECT_EQ(scene.panX(), static_cast<int>(host::frameService.sceneClock / 3500.0 * 580));
}

}  // namespace
