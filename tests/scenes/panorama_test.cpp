// The panorama: scroll, bands, sprites, the rising object, the quote and the fades.

#include "scenes/panorama.h"

#include "render/blit.h"
#include "tests/scenes/scene_test_support.h"

#include <gtest/gtest.h>

namespace {

using render::Pixel;
using scenes::test::TestFrame;

class Panorama : public ::testing::Test {
protected:
    void SetUp() override { scenes::test::loadScene(scene); }

    TestFrame drawAt(int position, int row, std::uint32_t sceneClock, bool wideMoves = false)
    {
        TestFrame frame;
        scene.draw(frame.span(), position, row, sceneClock, wideMoves);
        return frame;
    }
    Pixel panoramaAt(int column, int row) const
    {
        return scene.panorama.pixels[static_cast<std::size_t>(row) * 900 + static_cast<std::size_t>(column)];
    }

    scenes::PanoramaScene scene;
};

TEST(PanoramaScroll, CrossesTheWholeWidthIn35SecondsThenStands)
{
    EXPECT_EQ(scenes::panoramaScroll(0), 0);
    EXPECT_EQ(scenes::panoramaScroll(1750), 145);
    EXPECT_EQ(scenes::panoramaScroll(3499), 289);
    EXPECT_EQ(scenes::panoramaScroll(3500), 290);
    EXPECT_EQ(scenes::panoramaScroll(4000000000u), 290);
}

TEST_F(Panorama, FastAndSlowBandsReadTheirOwnColumns)
{
    TestFrame frame = drawAt(16, 40, 3500);
    EXPECT_EQ(scene.panX, 290);
    // Right of the object and away from the sprites and the quote.
    for (int x = 200; x < 320; ++x) {
        ASSERT_EQ(frame.at(x, 0), panoramaAt(580 + x, 0)) << x;
        ASSERT_EQ(frame.at(x, 53), panoramaAt(580 + x, 53)) << x;
        ASSERT_EQ(frame.at(x, 54), panoramaAt(290 + x, 54)) << x;
        ASSERT_EQ(frame.at(x, 118), panoramaAt(290 + x, 118)) << x;
        ASSERT_EQ(frame.at(x, 119), panoramaAt(580 + x, 119)) << x;
        ASSERT_EQ(frame.at(x, 199), panoramaAt(580 + x, 199)) << x;
    }
    EXPECT_EQ(frame.at(319, 0), panoramaAt(899, 0)) << "the fast bands end at the last column";
}

TEST_F(Panorama, TheSceneFadesInFromBlackAndOutToBlack)
{
    EXPECT_TRUE(scenes::test::isBlack(drawAt(15, 0, 0)));
    TestFrame expected = drawAt(16, 31, 90);
    render::fadeFrame(expected.span(), 248);
    EXPECT_EQ(drawAt(15, 31, 90).pixels, expected.pixels);
    EXPECT_TRUE(scenes::test::isBlack(drawAt(25, 63, 4000)));
    EXPECT_TRUE(scenes::test::isBlack(drawAt(25, 80, 4000))) << "rows past 63 stay black";
    EXPECT_FALSE(scenes::test::isBlack(drawAt(25, 31, 4000)));
}

TEST_F(Panorama, TheQuoteFadesInFromLevelZero)
{
    TestFrame without = drawAt(17, 32, 1000);
    EXPECT_EQ(drawAt(19, 32, 1000).pixels, without.pixels) << "level 0 adds nothing";
    EXPECT_NE(drawAt(19, 33, 1000).pixels, without.pixels);
    EXPECT_EQ(drawAt(23, 32, 1000).pixels, without.pixels) << "gone from row 32 of position 23";

    TestFrame full = drawAt(21, 0, 1000);
    const render::Image quote = scene.quote.image();
    for (int y = 0; y < quote.height; ++y)
        for (int x = 0; x < quote.width; ++x)
            ASSERT_EQ(full.at(167 + x, 86 + y), render::saturatingAdd(without.at(167 + x, 86 + y),
                                                                      quote.pixels[y * quote.width + x]));
}

TEST_F(Panorama, TheObjectRisesFromPosition18AndSinksFromPosition24WithinItsBounds)
{
    std::vector<int> heights;
    const auto run = [&](int position, int passes) {
        for (int pass = 0; pass < passes; ++pass) {
            scene.advance(position);
            heights.push_back(scene.objectCentreY);
        }
    };
    run(17, 20);
    EXPECT_EQ(scene.objectCentreY, 300) << "still before position 18";
    run(18, 99);
    EXPECT_EQ(scene.objectCentreY, 102);
    run(20, 50);
    EXPECT_EQ(scene.objectCentreY, 100);
    run(24, 100);
    EXPECT_EQ(scene.objectCentreY, 300);
    run(25, 20);
    EXPECT_EQ(*std::min_element(heights.begin(), heights.end()), 100);
    EXPECT_EQ(*std::max_element(heights.begin(), heights.end()), 300);
    EXPECT_EQ(scene.object->angle, static_cast<std::uint8_t>(2 * heights.size()));
}

TEST_F(Panorama, WideAndPlainCopiesDrawTheSameFrame)
{
    scene.objectCentreY = 120;
    EXPECT_EQ(drawAt(20, 10, 2222, true).pixels, drawAt(20, 10, 2222, false).pixels);
}

TEST_F(Panorama, FramesAtChosenMoments)
{
    // Each frame was looked at before its hash was stored. A changed hash
    // means: write the frame (SOLVANE_FRAME_DIR) and look again.
    // Position 16, scene clock 0: the panorama's left edge, the three sprites
    // on the band at row 137, the object still below the screen.
    TestFrame start = drawAt(16, 0, 0);
    EXPECT_EQ(scenes::test::frameHash(start, "panorama_start"), 13665431181537037330u);

    // Position 21, scene clock 1750 (panX 145): the star risen to row 100 and
    // turned to angle 60 on the left, the quote at full strength on the right.
    scene.objectCentreY = 100;
    scene.object->angle = 60;
    TestFrame busy = drawAt(21, 0, 1750);
    EXPECT_EQ(scenes::test::frameHash(busy, "panorama_busy"), 11034364020380260601u);
}

}  // namespace
