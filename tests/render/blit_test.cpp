#include "render/blit.h"
#include "render/level_table.h"

#include "tests/render/test_frame.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

using render::Image;
using render::Pixel;
using render::test::TestFrame;

struct TestImage {
    TestImage(int width, int height, Pixel fill = 0x00FFFFFF)
        : pixels(static_cast<std::size_t>(width) * height, fill),
          width(static_cast<std::uint16_t>(width)), height(static_cast<std::uint16_t>(height))
    {
    }
    Image image() const { return {pixels.data(), width, height}; }
    Pixel& at(int x, int y) { return pixels[static_cast<std::size_t>(y) * width + x]; }

    std::vector<Pixel> pixels;
    std::uint16_t width;
    std::uint16_t height;
};

TEST(LevelTable, EntriesAreLevelScaledAndRebuiltOnlyOnChange)
{
    render::LevelTable table;
    EXPECT_EQ(table.level(), -1);
    table.setLevel(255);
    EXPECT_EQ(table[255], 254);
    EXPECT_EQ(table[1], 0);
    EXPECT_EQ(table[128], 127);
    table.setLevel(255);
    EXPECT_EQ(table.rebuildCount(), 1u);
    table.setLevel(0);
    EXPECT_EQ(table[255], 0);
    EXPECT_EQ(table.rebuildCount(), 2u);
    table.setLevel(64);
    EXPECT_EQ(table.scale(0xAB804020), 0xAB201008u) << "channels scaled, top byte kept";
}

// Every pair of channel values, in every channel, beside unrelated neighbours
// and top bytes that must not leak into the result.
TEST(SaturatingAdd, AgreesWithTheChannelByChannelSum)
{
    for (Pixel i = 0; i < 256; ++i)
        for (Pixel j = 0; j < 256; ++j) {
            const Pixel a = 0xFF000000 | i | j << 8 | ((i * 7 + j) & 0xFF) << 16;
            const Pixel b = 0x80000000 | j | i << 8 | ((i + j * 3) & 0xFF) << 16;
            ASSERT_EQ(render::saturatingAdd(a, b), render::reference::saturatingAdd(a, b)) << i << "+" << j;
        }
    EXPECT_EQ(render::saturatingAdd(0x00C86401, 0x00649CFF), 0x00FFFFFFu);
}

TEST(BlitScaledAdd, LevelZeroAndItsLowByteAliasesAddNothing)
{
    TestFrame frame(0x00102030);
    const TestImage white(4, 4);
    render::blitScaledAdd(frame.span(), white.image(), 10, 10, 4, 4, 0);
    render::blitScaledAdd(frame.span(), white.image(), 10, 10, 4, 4, 256);
    for (int y = 10; y < 14; ++y)
        for (int x = 10; x < 14; ++x)
            EXPECT_EQ(frame.at(x, y), 0x00102030u);
}

TEST(BlitScaledAdd, AddsLevelScaledSourceWithSaturation)
{
    TestFrame frame;
    frame.at(21, 20) = 0x00C8C8C8;  // 200 in each channel
    const TestImage white(2, 1);
    render::blitScaledAdd(frame.span(), white.image(), 20, 20, 2, 1, 255);
    EXPECT_EQ(frame.at(20, 20), 0x00FEFEFEu) << "white at level 255 adds 254";
    EXPECT_EQ(frame.at(21, 20), 0x00FFFFFFu);

    TestFrame dim(0x00C8C8C8);
    const TestImage grey(1, 1, 0x00C8C8C8);
    render::blitScaledAdd(dim.span(), grey.image(), 0, 0, 1, 1, 128);  // 200 + 100 saturates, never wraps to 44
    EXPECT_EQ(dim.at(0, 0), 0x00FFFFFFu);
}

TEST(BlitScaledAdd, SkipsExactBlackOnly)
{
    // A written pixel gets top byte 0, so the marker shows which were touched.
    TestFrame frame(0xAB000000);
    TestImage image(2, 1, 0);
    image.at(1, 0) = 0x00000001;
    render::blitScaledAdd(frame.span(), image.image(), 0, 0, 2, 1, 255);
    EXPECT_EQ(frame.at(0, 0), 0xAB000000u) << "black is skipped";
    EXPECT_EQ(frame.at(1, 0), 0x00000000u) << "0x000001 is drawn, adding table[1] = 0";
}

TEST(BlitScaledAdd, ClipsLeftEdgeFromTheSteppedSourceColumn)
{
    TestFrame frame;
    TestImage image(20, 1);
    for (int x = 0; x < 20; ++x)
        image.at(x, 0) = static_cast<Pixel>(x + 1);  // blue = column + 1
    // width 10 from a 20-wide source: step 2.0 columns; x = -5 starts at source column 10.
    render::blitScaledAdd(frame.span(), image.image(), -5, 0, 10, 1, 0x100 | 255);
    const render::LevelTable& table = render::levelTable();
    for (int x = 0; x < 5; ++x)
        EXPECT_EQ(frame.at(x, 0), Pixel{table[static_cast<std::uint8_t>(10 + 2 * x + 1)]}) << "column " << x;
    EXPECT_EQ(frame.at(5, 0), 0u);
    EXPECT_EQ(frame.at(319, 199), 0u) << "nothing wraps to the previous row's end";
}

TEST(BlitScaledAdd, ClipsTopAndBottomRows)
{
    TestFrame frame;
    TestImage image(1, 10);
    for (int y = 0; y < 10; ++y)
        image.at(0, y) = static_cast<Pixel>(y + 1);
    render::blitScaledAdd(frame.span(), image.image(), 8, -3, 1, 10, 255);
    for (int y = 0; y < 7; ++y)
        EXPECT_EQ(frame.at(8, y), Pixel{render::levelTable()[static_cast<std::uint8_t>(y + 4)]});
    render::blitScaledAdd(frame.span(), image.image(), 9, 195, 1, 10, 255);  // rows 195..199 only
    EXPECT_EQ(frame.at(9, 199), Pixel{render::levelTable()[5]});
}

TEST(BlitScaledAdd, NonPositiveSizesDrawNothing)
{
    TestFrame frame;
    const TestImage image(4, 4);
    render::blitScaledAdd(frame.span(), image.image(), 10, 10, 0, 4, 255);
    render::blitScaledAdd(frame.span(), image.image(), 10, 10, 4, -1, 255);
    EXPECT_EQ(frame.pixels, TestFrame().pixels);
}

// The clipped walk must land on the same source pixels as the per-pixel walk,
// at every edge and scale, shrinking and stretching.
TEST(BlitScaledAdd, TunedAgreesWithReference)
{
    std::mt19937 random(7);
    TestImage image(23, 17);
    for (Pixel& pixel : image.pixels)
        pixel = random() % 4 == 0 ? 0 : random() & 0x00FFFFFF;
    std::uniform_int_distribution<int> position(-120, 340);
    std::uniform_int_distribution<int> size(1, 150);
    for (int round = 0; round < 400; ++round) {
        TestFrame tuned(0x00202020), plain(0x00202020);
        const int x = position(random), y = position(random) * 2 / 3;
        const int width = size(random), height = size(random);
        const int level = static_cast<int>(random() % 512);
        render::blitScaledAdd(tuned.span(), image.image(), x, y, width, height, level);
        render::reference::blitScaledAdd(plain.span(), image.image(), x, y, width, height, level);
        ASSERT_EQ(tuned.pixels, plain.pixels) << x << "," << y << " " << width << "x" << height << " level " << level;
    }
}

TEST(BlitKeyed, CopiesAllButMagentaAndClipsAtEveryEdge)
{
    TestImage image(6, 5);
    for (std::size_t i = 0; i < image.pixels.size(); ++i)
        image.pixels[i] = i % 3 == 0 ? render::transparentKey : 0xCD000000 | static_cast<Pixel>(i);
    for (const auto& [x, y] : {std::pair{50, 60}, {-3, -2}, {317, 197}, {-6, 0}, {320, 199}}) {
        TestFrame frame(0x00111111);
        render::blitKeyed(frame.span(), image.image(), x, y);
        TestFrame expected(0x00111111);
        for (int row = 0; row < image.height; ++row)
            for (int column = 0; column < image.width; ++column) {
                const int fx = x + column, fy = y + row;
                const Pixel source = image.at(column, row);
                if (fx >= 0 && fx < 320 && fy >= 0 && fy < 200 && source != render::transparentKey)
                    expected.at(fx, fy) = source;
            }
        EXPECT_EQ(frame.pixels, expected.pixels) << "at " << x << "," << y;
    }
}

TEST(FadeFrame, ScalesEveryChannelAndKeepsTheTopByte)
{
    TestFrame frame(0xAAFFFFFF);
    render::fadeFrame(frame.span(), 248);
    EXPECT_EQ(frame.at(0, 0), 0xAAF7F7F7u) << "255 at level 248 becomes 247";
    EXPECT_EQ(frame.at(319, 199), 0xAAF7F7F7u);
    render::fadeFrame(frame.span(), 0);
    EXPECT_EQ(frame.at(160, 100), 0xAA000000u);

    TestFrame source(0x00804020), dest;
    render::fadeFrame(dest.span(), source.span(), 512);  // out-of-range levels are limited to 0..255
    EXPECT_EQ(dest.at(5, 5), 0x007F3F1Fu);
    render::fadeFrame(dest.span(), source.span(), -8);
    EXPECT_EQ(dest.at(5, 5), 0u);
}

}  // namespace
