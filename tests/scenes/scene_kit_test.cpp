// The copies and the 1:1 additive picture every scene shares.

#include "scenes/scene_kit.h"

#include "tests/render/test_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using render::Pixel;
using render::test::TestFrame;

// Odd and even lengths, so the 64-bit path's single trailing pixel is covered.
TEST(CopyPixels, WideAndPlainMovesGiveTheSameCopy)
{
    std::mt19937 random(7);
    std::vector<Pixel> source(display::framePixels + 1);
    for (Pixel& pixel : source)
        pixel = random();
    for (std::size_t length : {std::size_t{0}, std::size_t{1}, std::size_t{319}, std::size_t{320}, display::framePixels}) {
        for (std::size_t offset : {std::size_t{0}, std::size_t{1}}) {
            std::vector<Pixel> plain(length + 2, 0xDEAD), wide(length + 2, 0xDEAD);
            scenes::copyPixels(std::span(plain).subspan(1, length), source.data() + offset, false);
            scenes::copyPixels(std::span(wide).subspan(1, length), source.data() + offset, true);
            EXPECT_EQ(plain, wide) << length << " from " << offset;
            EXPECT_TRUE(std::equal(plain.begin() + 1, plain.end() - 1, source.begin() + static_cast<long>(offset)));
            EXPECT_EQ(plain.front(), 0xDEADu);
            EXPECT_EQ(plain.back(), 0xDEADu) << "nothing written past the end";
        }
    }
}

TEST(AddPicture, SaturatesPerChannelAndDropsWhatFallsOutside)
{
    const std::vector<Pixel> pixels{0x00640001, 0x00FFFFFF, 0x00000000, 0x00102030};
    const render::Image picture{pixels.data(), 2, 2};
    TestFrame frame(0x00C80010);
    scenes::addPicture(frame.span(), picture, 10, 20);
    EXPECT_EQ(frame.at(10, 20), 0x00FF0011u) << "red 200 + 100 stops at 255";
    EXPECT_EQ(frame.at(11, 20), 0x00FFFFFFu);
    EXPECT_EQ(frame.at(10, 21), 0x00C80010u);
    EXPECT_EQ(frame.at(11, 21), 0x00D82040u);

    TestFrame corner;
    scenes::addPicture(corner.span(), picture, -1, 199);  // only the top-right pixel lands, at (0, 199)
    scenes::addPicture(corner.span(), picture, 319, -1);  // only the bottom-left pixel lands, at (319, 0)
    EXPECT_EQ(corner.at(0, 199), 0x00FFFFFFu);
    EXPECT_EQ(corner.at(319, 0), 0x00000000u);
    long lit = std::count_if(corner.pixels.begin(), corner.pixels.end(), [](Pixel p) { return p != 0; });
    EXPECT_EQ(lit, 1);
}

}  // namespace
