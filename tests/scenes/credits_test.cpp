// The credit pages: levels, slides and fades by position and row.

#include "scenes/credits.h"

#include "render/blit.h"
#include "tests/scenes/scene_test_support.h"

#include <gtest/gtest.h>

namespace {

using scenes::test::TestFrame;

class Credits : public ::testing::Test {
protected:
    void SetUp() override { scenes::test::loadScene(scene); }

    TestFrame drawAt(int position, int row)
    {
        TestFrame frame;
        scene.draw(frame.span(), position, row);
        return frame;
    }

    scenes::CreditsScene scene;
};

TEST_F(Credits, LevelsFadeEachPageInAndOut)
{
    const std::vector<std::pair<int, int>> moments{{9, 0}, {9, 31}, {9, 32}, {10, 0}, {10, 31}, {10, 32}, {13, 5}, {15, 3}};
    std::vector<int> levels;
    for (const auto& [position, row] : moments) {
        scene.advance(position, row);
        levels.push_back(scene.level);
    }
    EXPECT_EQ(levels, (std::vector<int>{0, 248, 255, 255, 7, 0, 40, 40}));
}

TEST_F(Credits, OnlyTheFadingPageSlidesAndOnlyInTheFirstHalf)
{
    scene.advance(10, 0);
    scene.advance(10, 1);
    EXPECT_EQ(scene.pages[0].titleX, 25);
    EXPECT_EQ(scene.pages[0].nameX, 18);
    scene.advance(10, 32);
    scene.advance(11, 0);
    scene.advance(12, 40);
    EXPECT_EQ(scene.pages[0].titleX, 25) << "no slide at row 32 or later";
    EXPECT_EQ(scene.pages[1].titleX, 10);
    scene.advance(14, 0);
    EXPECT_EQ(scene.pages[2].titleX, 7);
    EXPECT_EQ(scene.pages[2].nameX, 25);
    EXPECT_EQ(scene.pages[1].nameX, 14);
}

TEST_F(Credits, AnInvisiblePageLeavesOnlyTheEmblem)
{
    scene.advance(10, 40);
    const TestFrame frame = drawAt(10, 40);
    TestFrame emblemOnly;
    scenes::addPicture(emblemOnly.span(), scene.emblem.image(), 175, 0);
    EXPECT_EQ(frame.pixels, emblemOnly.pixels);
    EXPECT_NE(emblemOnly.at(250, 70), 0u) << "the emblem is there";
}

TEST_F(Credits, TheFirstPositionFadesThePageTwice)
{
    scene.advance(9, 16);  // page level 128
    TestFrame expected;
    scenes::addPicture(expected.span(), scene.emblem.image(), 175, 0);
    const scenes::CreditPage& page = scene.pages[0];
    render::blitScaledAdd(expected.span(), page.title.image(), 31, 95 - 33, 113, 33, 128);
    render::blitScaledAdd(expected.span(), page.name.image(), 10, 105, 156, 17, 128);
    render::fadeFrame(expected.span(), 128);
    EXPECT_EQ(drawAt(9, 16).pixels, expected.pixels);
    EXPECT_TRUE(scenes::test::isBlack(drawAt(9, 0)));
    EXPECT_TRUE(scenes::test::isBlack(drawAt(14, 63)));
}

TEST_F(Credits, SlidingPastTheEdgesIsClipped)
{
    for (int pass = 0; pass < 200; ++pass)
        scene.advance(14, 0);  // far past both edges
    EXPECT_EQ(scene.pages[2].titleX, 10 - 600);
    scene.level = 255;
    const TestFrame frame = drawAt(14, 0);
    TestFrame emblemOnly;
    scenes::addPicture(emblemOnly.span(), scene.emblem.image(), 175, 0);
    EXPECT_EQ(frame.pixels, emblemOnly.pixels);
}

TEST_F(Credits, FramesAtChosenMoments)
{
    // Each frame was looked at before its hash was stored. A changed hash
    // means: write the frame (SOLVANE_FRAME_DIR) and look again.
    // Position 9, row 40: "code" title above the first name at full level,
    // the emblem top right, black elsewhere.
    scene.advance(9, 40);
    TestFrame firstPage = drawAt(9, 40);
    EXPECT_EQ(scenes::test::frameHash(firstPage, "credits_page1"), 4931223123085474821u);

    // Position 12, row 16 after 17 slide steps: the second page half faded,
    // its title moved 51 pixels left and its name 68 right.
    for (int row = 0; row <= 16; ++row)
        scene.advance(12, row);
    TestFrame sliding = drawAt(12, 16);
    EXPECT_EQ(scenes::test::frameHash(sliding, "credits_page2_sliding"), 11636980285281608762u);
}

}  // namespace
