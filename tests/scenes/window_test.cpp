// The window scene: the polar table's corner cases, the exact-white window,
// the beams, a whole frame, and the run step.

#include "scenes/window.h"
#include "tests/scenes/scene_test_support.h"

#include "data/raw_image.h"

#include <random>

namespace {

using namespace scenes;
using Frame = scenes::test::TestFrame;

int radialByte(int x, int y) { return polarEntry(x, y) & 0xFF; }
int angularByte(int x, int y) { return polarEntry(x, y) >> 8; }

TEST(PolarTable, TruncatesAndWrapsNegativeAngles)
{
    EXPECT_EQ(radialByte(3, 4), 5);
    EXPECT_EQ(angularByte(3, 4), 75);  // trunc(0.9273 × 81.487)
    EXPECT_EQ(angularByte(0, 1), 128);
    EXPECT_EQ(angularByte(0, -1), 128) << "−128 keeps its low 8 bits";
    EXPECT_EQ(angularByte(-1, 0), 0) << "π gives exactly 256";
    EXPECT_EQ(angularByte(1, -1), 192) << "−64: the low byte of a negative angle";
    EXPECT_EQ(radialByte(-320, -200), 377 - 256) << "the radial byte wraps too";

    const auto table = buildPolarTable();
    ASSERT_EQ(table.size(), std::size_t{polarTableWidth} * polarTableHeight);
    EXPECT_EQ(table[std::size_t{polarTableWidth} * (4 + 200) + (3 + 320)], polarEntry(3, 4));
    EXPECT_EQ(table[0], polarEntry(-320, -200));
}

// Random table, texture and frame (white, almost white, anything), every
// offset and phase: the tuned loop must give the reference's frame.
TEST(PolarMap, TunedAndReferenceAgreeAndOnlyExactWhiteIsReplaced)
{
    std::mt19937 random(7);
    PolarMap polar;
    polar.polarTable.resize(std::size_t{polarTableWidth} * polarTableHeight);
    for (auto& entry : polar.polarTable) entry = static_cast<std::uint16_t>(random());
    for (auto& texel : polar.texture) texel = random() & 0x00FFFFFF;
    const Pixel candidates[] = {0x00FFFFFF, 0x00FFFFFE, 0xFFFFFFFF, 0x00FEFFFF, 0};
    Frame original;
    for (auto& pixel : original.pixels) pixel = candidates[random() % 5];

    for (const auto& [x, y] : {std::pair{0, 0}, {320, 200}, {163, 7}, {-5, 999}}) {
        polar.radialOffsetX = x, polar.radialOffsetY = y;
        polar.angularOffsetX = 320 - x, polar.angularOffsetY = 200 - y;
        polar.radialPhase = static_cast<std::uint8_t>(random());
        polar.angularPhase = static_cast<std::uint8_t>(random());
        Frame tuned = original, plain = original;
        drawPolarMap(polar, tuned.span());
        reference::drawPolarMap(polar, plain.span());
        ASSERT_EQ(tuned.pixels, plain.pixels) << "offsets " << x << ", " << y;
        for (std::size_t i = 0; i < original.pixels.size(); ++i)
            if (original.pixels[i] != 0x00FFFFFF) {
                ASSERT_EQ(tuned.pixels[i], original.pixels[i]);
            }
    }
}

TEST(WindowScene, BeamsBrightenOnlyTheExactWhiteWindow)
{
    auto& scene = scenes::test::loadedScene<WindowScene>();
    const std::uint32_t clock = 0;  // beams at 270, 270, 270, 305, 285, 275
    const auto columns = beamColumns(clock, scenes::test::showSines());
    EXPECT_EQ(columns, (std::array{270, 270, 270, 305, 285, 275}));

    // The same pass with the texture all black: what remains in the window is beam light.
    PolarMap& polar = scene.polar();
    const auto texture = polar.texture;
    std::fill(polar.texture.begin(), polar.texture.end(), 0);
    Frame frame;
    scene.drawPass(frame.span(), {27, 0, clock}, false);
    polar.texture = texture;

    Frame mask;
    ASSERT_TRUE(data::readRawImage(scenes::test::generatedLibrary(), data::assets::windowMask, mask.pixels).ok());
    int windowRows = 0;
    for (int y = 0; y < 95; ++y) {  // above the picture
        const bool window = mask.at(270, y) == 0x00FFFFFF;
        windowRows += window;
        EXPECT_EQ(frame.at(270, y), window ? 0x005D5D5Du : mask.at(270, y)) << "three beams add up at row " << y;
        EXPECT_EQ(frame.at(272, y), window ? 0u : mask.at(272, y));
    }
    EXPECT_GT(windowRows, 10) << "the test needs window under the beams";
}

// Position 28, row 10, 40 passes in: a violet brick wall with four arched
// windows; through them the orange, white and indigo texture streams in rings
// around one centre and turns around another; pale vertical beams cross the
// right-hand window, and the lantern picture glows at the bottom right. Looked at.
TEST(WindowScene, BusyFrame)
{
    auto& scene = scenes::test::loadedScene<WindowScene>();
    scene.polar() = PolarMap{scene.polar().texture, scene.polar().polarTable};
    for (int pass = 0; pass < 40; ++pass) scene.advancePass();
    Frame frame;
    scene.drawPass(frame.span(), {28, 10, 1320}, false);
    EXPECT_EQ(scenes::test::frameHash(frame, "window"), 17173771075504191432u);

    Frame wide;  // the 64-bit mask copy draws the same frame
    scene.drawPass(wide.span(), {28, 10, 1320}, true);
    EXPECT_EQ(wide.pixels, frame.pixels);
}

TEST(WindowScene, RunStepFadesInAndOutAndLeavesAtPosition30)
{
    auto& scene = scenes::test::loadedScene<WindowScene>();
    scenes::test::expectNoPassesFrom(scene, 30);

    scenes::test::RunHarness harness(26, 33);
    scene.polar().step = 0;
    EXPECT_EQ(scenes::test::play(scene), host::StepResult::finished);
    const auto& kept = harness.kept;
    EXPECT_EQ(kept.count, 4 * 64);
    EXPECT_EQ(scene.polar().step, 0) << "one step a pass, 256 passes";
    EXPECT_EQ(host::frameService.musicStatus.position, 30);
    EXPECT_TRUE(scenes::test::isBlack(kept.first)) << "row 0 of position 26: level 0";
    EXPECT_TRUE(scenes::test::isBlack(kept.last)) << "row 63 of position 29: level 0";
    EXPECT_EQ(kept.blackCount, 2);
}

}  // namespace
