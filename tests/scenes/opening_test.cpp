// The opening rendered pass by pass from qorv.dat at chosen positions and rows.

#include "scenes/opening.h"

#include "render/blit.h"
#include "tests/scenes/scene_test_support.h"

#include <gtest/gtest.h>

namespace {

using render::Pixel;
using scenes::test::TestFrame;

class Opening : public ::testing::Test {
protected:
    void SetUp() override { scenes::test::loadScene(scene); }

    TestFrame drawAt(int position, int row, bool wideMoves = false)
    {
        TestFrame frame;
        scene.draw(frame.span(), scratch.span(), position, row, wideMoves);
        return frame;
    }

    scenes::OpeningScene scene;
    TestFrame scratch;
};

TEST_F(Opening, WarmUpLeavesEverySparkInsideTheFrame)
{
    for (const scenes::Spark& spark : scene.sparkField.sparks) {
        EXPECT_LE(spark.size + spark.y, 200.0);
        EXPECT_GT(spark.y, 0.0) << "100 steps have moved every spark";
        EXPECT_GE(spark.size, 1);
        EXPECT_LE(spark.size, 16);
        EXPECT_GE(spark.kind, 0);
        EXPECT_LE(spark.kind, 2);
        EXPECT_LT(spark.x, 320.0001);
    }
}

TEST(Sparks, ASparkEndingExactlyAtRow200IsNotRespawned)
{
    scenes::SparkField field;
    for (scenes::Spark& spark : field.sparks)
        spark = {10, 0, 1, 4, 0};
    field.sparks[3] = {10, 195, 1, 4, 2};  // 196 + 4 = 200.0 after the step
    host::ShowRandom random;
    scenes::stepSparks(field, random);
    EXPECT_EQ(field.sparks[3].y, 196.0);
    EXPECT_EQ(random.seed, 1u) << "no spark drew from the sequence";
    scenes::stepSparks(field, random);  // 197 + 4 > 200
    EXPECT_EQ(field.sparks[3].y, 0.0);
    host::ShowRandom threeDraws;
    threeDraws.rand();
    threeDraws.rand();
    threeDraws.rand();
    EXPECT_EQ(random.seed, threeDraws.seed) << "a respawn draws x, speed and kind";
}

// size × 16 reaches 256 for the biggest spark, which as a level byte would
// hide it; it glows at 255.
TEST(Sparks, LevelIsSizeTimes16LessTheFadeAndTheBiggestSparkStaysVisible)
{
    scenes::SparkField field;
    for (scenes::Picture& picture : field.images)
        picture = {std::vector<Pixel>(256, 0x00FFFFFF), 16, 16};
    for (scenes::Spark& spark : field.sparks)
        spark = {400, 0, 1, 1, 0};  // off the frame
    field.sparks[0] = {10, 20, 4, 16, 1};
    field.sparks[1] = {100, 50, 1, 4, 2};
    TestFrame frame;
    scenes::drawSparks(field, frame.span());
    EXPECT_EQ(frame.at(10, 20), 0x00FEFEFEu);
    EXPECT_EQ(frame.at(25, 35), 0x00FEFEFEu);
    EXPECT_EQ(frame.at(100, 50), 0x003F3F3Fu) << "level 64";
    field.fade = 64;
    TestFrame faded;
    scenes::drawSparks(field, faded.span());
    EXPECT_EQ(faded.at(10, 20), 0x00BFBFBFu) << "level 192";
    EXPECT_EQ(faded.at(100, 50), 0u) << "level 0 is not drawn";
}

TEST_F(Opening, SparksFadeInOverTheFirstHalfOfPositionZero)
{
    EXPECT_TRUE(scenes::test::isBlack(drawAt(0, 0)));
    const TestFrame unfaded = drawAt(0, 32);
    EXPECT_FALSE(scenes::test::isBlack(unfaded));
    EXPECT_EQ(drawAt(0, 63).pixels, unfaded.pixels);
    TestFrame expected = unfaded;
    render::fadeFrame(expected.span(), 248);
    EXPECT_EQ(drawAt(0, 31).pixels, expected.pixels);
}

TEST_F(Opening, TheGroupLogoFadesInUntilRow30OfPosition1)
{
    const TestFrame unfaded = drawAt(2, 0);
    EXPECT_EQ(drawAt(1, 31).pixels, unfaded.pixels) << "row 31 is already unfaded";
    EXPECT_NE(drawAt(1, 30).pixels, unfaded.pixels);
    TestFrame logoAtRow0;
    scene.draw(logoAtRow0.span(), scratch.span(), 1, 0, false);
    TestFrame sparksOnly;
    scenes::drawSparks(scene.sparkField, sparksOnly.span());
    EXPECT_EQ(logoAtRow0.pixels, sparksOnly.pixels) << "level 0: only the sparks show";
}

TEST_F(Opening, TheCrossFadeMovesFromGroupLogoToDemoLogo)
{
    // The demo-logo picture as the cross-fade builds it.
    TestFrame incoming;
    std::copy(scene.demoLogoBackground.pixels.begin(), scene.demoLogoBackground.pixels.end(), incoming.pixels.begin());
    render::blitKeyed(incoming.span(), scene.demoLogo.image(), 32, 76);

    const TestFrame atRow63 = drawAt(4, 63);
    render::LevelTable full;
    full.setLevel(255);
    for (std::size_t i = 0; i < display::framePixels; i += 97)
        ASSERT_EQ(atRow63.pixels[i], full.scale(incoming.pixels[i])) << i;

    const TestFrame atRow32 = drawAt(4, 32);
    render::LevelTable out, in;
    out.setLevel(248);
    in.setLevel(7);
    for (std::size_t i = 0; i < display::framePixels; i += 97)
        ASSERT_EQ(atRow32.pixels[i], out.scale(scene.groupLogo.pixels[i]) + in.scale(incoming.pixels[i])) << i;
}

TEST_F(Opening, TheRingFadeFallsBy16PerDrawnPassAndStopsAtMinus2)
{
    EXPECT_EQ(scene.ring.fade, 254);
    std::vector<int> fades;
    for (int pass = 0; pass < 18; ++pass) {
        drawAt(5 + pass % 4, 10);
        fades.push_back(scene.ring.fade);
    }
    const std::vector<int> expected{238, 222, 206, 190, 174, 158, 142, 126, 110, 94, 78, 62, 46, 30, 14, -2, -2, -2};
    EXPECT_EQ(fades, expected);
}

TEST_F(Opening, TheRingIsInvisibleAtFirstAndBrightensAsItFadesIn)
{
    TestFrame first = drawAt(5, 0);
    TestFrame plain;
    std::copy(scene.demoLogoBackground.pixels.begin(), scene.demoLogoBackground.pixels.end(), plain.pixels.begin());
    render::blitKeyed(plain.span(), scene.demoLogo.image(), 32, 76);
    EXPECT_EQ(first.pixels, plain.pixels) << "ring fade 238: every blob level is 0";
    for (int pass = 0; pass < 20; ++pass)
        drawAt(5, 0);
    EXPECT_NE(drawAt(5, 0).pixels, plain.pixels);
}

TEST_F(Opening, WordsAppearInTheirOrderAndStopAfterTheSixth)
{
    std::vector<int> order;
    std::array<bool, 6> seen{};
    int passes = 0;
    for (; passes < 3000 && !scene.words.done; ++passes) {
        scene.advance(6, host::showRandom);
        drawAt(6, 0);
        for (std::size_t word = 0; word < 6; ++word)
            if (scene.words.shown[word] && !seen[word]) {
                seen[word] = true;
                order.push_back(static_cast<int>(word));
            }
    }
    EXPECT_TRUE(scene.words.done) << "after " << passes << " passes";
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_FALSE(scene.words.firstHalf);
}

TEST_F(Opening, TheLastPositionFadesToBlack)
{
    EXPECT_TRUE(scenes::test::isBlack(drawAt(8, 63)));
    EXPECT_FALSE(scenes::test::isBlack(drawAt(8, 31)));
}

TEST_F(Opening, WideAndPlainCopiesDrawTheSameFrames)
{
    for (const auto& [position, row] : {std::pair{1, 40}, std::pair{4, 40}, std::pair{6, 20}}) {
        scenes::OpeningScene twin = scene;  // same sparks, ring and words
        TestFrame plain = drawAt(position, row, false);
        TestFrame wide;
        twin.draw(wide.span(), scratch.span(), position, row, true);
        EXPECT_EQ(plain.pixels, wide.pixels) << position;
    }
}

TEST_F(Opening, FramesAtChosenMoments)
{
    // Each frame was looked at before its hash was stored. A changed hash
    // means: write the frame (SOLVANE_FRAME_DIR) and look again.
    // Position 0, row 40: sparks of three colours, small and large, over black.
    TestFrame sparks = drawAt(0, 40);
    EXPECT_EQ(scenes::test::frameHash(sparks, "opening_sparks"), 13383122850803530917u);

    // Position 4, row 48: the group logo half faded into the demo logo on its background.
    TestFrame crossFade = drawAt(4, 48);
    EXPECT_EQ(scenes::test::frameHash(crossFade, "opening_crossfade"), 7454924715787234580u);

    // Position 6 after 120 passes: small blobs on a tilted ellipse around the
    // demo logo (the far ones above it, behind the lettering), and the fourth
    // word, "STATE", beside its carrier at the bottom edge.
    for (int pass = 0; pass < 120; ++pass) {
        scene.advance(6, host::showRandom);
        drawAt(6, 0);
    }
    TestFrame ring = drawAt(6, 0);
    EXPECT_EQ(scenes::test::frameHash(ring, "opening_ring"), 257590533336477343u);
}

}  // namespace
