// The run steps of the first three scenes on the virtual clock, with music
// moving a row every 40 ms while the passes come every 33 ms: every scene
// plays until its end position and leaves a black last frame; entered at or
// past its end, it returns without drawing.

#include "scenes/credits.h"
#include "scenes/opening.h"
#include "scenes/panorama.h"

#include "tests/scenes/scene_test_support.h"

namespace {

template <class SceneType>
void expectPlaysFrom(SceneType& scene, int firstPosition)
{
    scenes::test::loadScene(scene);
    scenes::test::expectNoPassesFrom(scene, SceneType::endPosition);
    scenes::test::RunHarness harness(firstPosition, 40);
    EXPECT_EQ(scenes::test::play(scene), host::StepResult::finished);
    EXPECT_EQ(host::frameService.musicStatus.position, SceneType::endPosition);
    EXPECT_NEAR(harness.kept.count, (SceneType::endPosition - firstPosition) * 64 * 40 / 33, 2);
    EXPECT_EQ(harness.musicReads, 2 * harness.kept.count) << "the music is read twice a pass";
    EXPECT_TRUE(scenes::test::isBlack(harness.kept.last)) << "the last frame has faded to black";
}

TEST(RunStep, OpeningPlaysUntilPosition9)
{
    scenes::OpeningScene scene;
    expectPlaysFrom(scene, 0);
    EXPECT_EQ(scene.ring.fade, -2);
    EXPECT_TRUE(scene.words.done);
}

TEST(RunStep, CreditsPlayUntilPosition15)
{
    scenes::CreditsScene scene;
    expectPlaysFrom(scene, 9);
    EXPECT_NEAR(scene.pages[2].titleX, 10 - 3 * (32 * 40 / 33), 6) << "one slide per pass in the first half";
}

TEST(RunStep, PanoramaPlaysUntilPosition26)
{
    scenes::PanoramaScene scene;
    expectPlaysFrom(scene, 15);
    EXPECT_EQ(scene.objectCentreY, 300) << "sunk again by the end";
    EXPECT_EQ(scene.panX, scenes::panoramaScroll(host::frameService.sceneClock));
    scenes::test::expectNoPassesFrom(scene, 40);
}

}  // namespace
