// The steps the scenes share: both copy paths and the 1:1 additive picture.

#include "scenes/scene_pass.h"
#include "late_scene_fixture.h"

#include <numeric>

namespace {

using namespace scenes;

TEST(CopyPixels, SixtyFourBitMovesGiveThePlainCopyForAnyLength)
{
    std::vector<Pixel> source(321);
    std::iota(source.begin(), source.end(), 0xABC000u);
    for (const std::size_t length : {0u, 1u, 2u, 319u, 320u, 321u}) {
        std::vector<Pixel> plain(322, 7), wide(322, 7);
        copyPixels(std::span(plain).first(length), std::span(source).first(length), false);
        copyPixels(std::span(wide).first(length), std::span(source).first(length), true);
        EXPECT_EQ(plain, wide) << length;
        EXPECT_EQ(wide[length], 7u) << "nothing written past the end";
    }
}

TEST(AddPicture, SaturatesPerChannelAndClipsAtTheEdges)
{
    scenes::test::Frame frame;
    const std::vector<Pixel> pixels(4, 0x00108001);
    const render::Image picture{pixels.data(), 2, 2};
    frame.at(0, 0) = 0x00F0F0F0;
    addPicture(frame.span(), picture, 0, 0);
    EXPECT_EQ(frame.at(0, 0), 0x00FFFFF1u);
    addPicture(frame.span(), picture, 319, 199);  // only the top-left pixel lands
    EXPECT_EQ(frame.at(319, 199), 0x00108001u);
    addPicture(frame.span(), picture, -1, -1);  // only the bottom-right pixel lands
    EXPECT_EQ(frame.at(0, 0), 0x00FFFFF2u);
    EXPECT_EQ(frame.at(1, 0), 0x00108001u);
}

}  // namespace
