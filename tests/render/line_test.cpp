#include "render/line.h"

#include "tests/render/test_frame.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <set>
#include <utility>

namespace {

using render::Pixel;
using render::test::TestFrame;

using Points = std::set<std::pair<int, int>>;

// The pixels a line brightened on a black frame.
Points drawnBy(int x0, int y0, int x1, int y1)
{
    TestFrame frame;
    render::addLine(frame.span(), x0, y0, x1, y1, 1);
    Points points;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 320; ++x)
            if (frame.at(x, y) != 0) {
                EXPECT_EQ(frame.at(x, y), 0x00010101u) << "each point is plotted once";
                points.insert({x, y});
            }
    return points;
}

TEST(AddLine, PlotsTheStartPointButNotTheEnd)
{
    EXPECT_EQ(drawnBy(10, 10, 10, 10), Points{});
    EXPECT_EQ(drawnBy(0, 0, 5, 0), (Points{{0, 0}, {1, 0}, {2, 0}, {3, 0}, {4, 0}}));
    EXPECT_EQ(drawnBy(5, 0, 0, 0), (Points{{5, 0}, {4, 0}, {3, 0}, {2, 0}, {1, 0}}));
    EXPECT_EQ(drawnBy(0, 0, 3, 3), (Points{{0, 0}, {1, 1}, {2, 2}})) << "45 degrees steps along x";
    EXPECT_EQ(drawnBy(7, 3, 7, 0), (Points{{7, 3}, {7, 2}, {7, 1}}));
}

TEST(AddLine, SteepLinesStepAlongYAndTruncateTowardZero)
{
    // mx = -0.5: x = trunc(4 - 0.5 j) gives 4, 3, 3, 2, 2, 1.
    EXPECT_EQ(drawnBy(4, 0, 1, 6), (Points{{4, 0}, {3, 1}, {3, 2}, {2, 3}, {2, 4}, {1, 5}}));
    // Upward from (0, 6): x = trunc(0 - j·(-0.5)) = trunc(0.5 j).
    EXPECT_EQ(drawnBy(0, 6, 3, 0), (Points{{0, 6}, {0, 5}, {1, 4}, {1, 3}, {2, 2}, {2, 1}}));
}

TEST(AddLine, RejectsOnlyWhenBothEndsLieOutsideTheClosedRange)
{
    EXPECT_EQ(drawnBy(-50, -50, 400, 300), Points{}) << "crosses the frame but is rejected";
    Points expected;
    for (int j = 0; j < 200; ++j)
        expected.insert({100 + j, 100 + j / 2});  // up to (299, 199); the other 100 points fall below
    EXPECT_EQ(drawnBy(100, 100, 400, 250), expected);
    // (320, 200) is accepted although it is no pixel.
    EXPECT_EQ(drawnBy(320, 200, 318, 200), Points{});
    EXPECT_EQ(drawnBy(320, 199, 317, 199), (Points{{319, 199}, {318, 199}}));
}

TEST(AddLine, SaturatesEachChannelAndKeepsTheTopByte)
{
    TestFrame frame(0x5AF5F0E0);  // red 245, green 240, blue 224
    render::addLine(frame.span(), 0, 0, 2, 0, 15);
    render::addLine(frame.span(), 1, 0, 2, 0, 47);
    EXPECT_EQ(frame.at(0, 0), 0x5AFFFFEFu);
    EXPECT_EQ(frame.at(1, 0), 0x5AFFFFFFu);
}

TEST(AddLine, FarEndPointsFinishAndDrawOnlyTheirFramePart)
{
    // Billions of points long: only the 310 inside the frame are visited.
    Points expected;
    for (int x = 10; x < 320; ++x)
        expected.insert({x, 10});
    EXPECT_EQ(drawnBy(10, 10, INT_MAX, 20), expected);
    EXPECT_EQ(drawnBy(INT_MIN, INT_MIN, 0, 0), Points{}) << "the last point before (0, 0) is (-1, -1)";
    EXPECT_EQ(drawnBy(5, 5, 5, INT_MIN), (Points{{5, 5}, {5, 4}, {5, 3}, {5, 2}, {5, 1}, {5, 0}}));
}

TEST(AddLine, TunedAgreesWithReference)
{
    std::mt19937 random(11);
    std::uniform_int_distribution<int> coordinate(-700, 900);
    for (int round = 0; round < 2000; ++round) {
        const int x0 = coordinate(random), y0 = coordinate(random) / 2;
        const int x1 = coordinate(random), y1 = coordinate(random) / 2;
        TestFrame tuned(0x00F0F0F0), plain(0x00F0F0F0);
        render::addLine(tuned.span(), x0, y0, x1, y1, 9);
        render::reference::addLine(plain.span(), x0, y0, x1, y1, 9);
        ASSERT_EQ(tuned.pixels, plain.pixels) << "(" << x0 << "," << y0 << ")-(" << x1 << "," << y1 << ")";
    }
}

}  // namespace
