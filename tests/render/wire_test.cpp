#include "render/wire.h"

#include "tests/render/test_frame.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <limits>
#include <vector>

namespace {

using render::test::TestFrame;

// Stand-ins for the mesh records: the vertex fields by name, and a face whose
// flag fields are named differently on purpose (faces are read by position).
struct Vertex {
    double x, rx;
    double y, ry;
    double z, rz;
    std::int32_t sx, sy;
};

struct Face {
    std::int32_t a, b, c;
    std::int32_t flag0, flag1, flag2;
};

// The show's tables: entry i is sin or cos of (i × 3.14159265358979) × 0.0078125,
// computed in extended precision and stored as float.
struct Sines {
    Sines()
    {
        for (int i = 0; i < 256; ++i) {
            const long double angle = (i * 3.14159265358979L) * 0.0078125L;
            sinTable[i] = static_cast<float>(std::sin(angle));
            cosTable[i] = static_cast<float>(std::cos(angle));
        }
    }
    render::SineTableView view() const { return {sinTable, cosTable}; }

    std::array<float, 256> sinTable{};
    std::array<float, 256> cosTable{};
};

const Sines sines;

Vertex at(double x, double y, double z)
{
    return {x, 0, y, 0, z, 0, 0, 0};
}

TEST(RotateMesh, ZeroAnglesKeepTheModelAndAQuarterTurnAboutYSwapsXAndZ)
{
    std::vector<Vertex> vertices{at(1.5, -2.0, 0.25), at(1, 0, 0), at(0, 0, 1)};
    render::rotateMesh(std::span(vertices), 0, 0, 0, sines.view());
    EXPECT_EQ(vertices[0].rx, 1.5);
    EXPECT_EQ(vertices[0].ry, -2.0);
    EXPECT_EQ(vertices[0].rz, 0.25);

    render::rotateMesh(std::span(vertices), 0, 64, 0, sines.view());
    EXPECT_EQ(vertices[1].rz, 1.0);
    EXPECT_NEAR(vertices[1].rx, 0.0, 1e-7);
    EXPECT_EQ(vertices[2].rx, -1.0);
    EXPECT_NEAR(vertices[2].rz, 0.0, 1e-7);
    EXPECT_EQ(vertices[0].x, 1.5) << "the model coordinates are never touched";
}

TEST(RotateMesh, TurnsAboutYThenXThenZ)
{
    // (1, 0, 0): about Y to (0, 0, 1), about X to (0, -1, 0), about Z to (1, 0, 0).
    // Any other order ends elsewhere.
    std::vector<Vertex> vertices{at(1, 0, 0)};
    render::rotateMesh(std::span(vertices), 64, 64, 0, sines.view());
    EXPECT_NEAR(vertices[0].ry, -1.0, 1e-7);
    render::rotateMesh(std::span(vertices), 64, 64, 64, sines.view());
    EXPECT_NEAR(vertices[0].rx, 1.0, 1e-7);
    EXPECT_NEAR(vertices[0].ry, 0.0, 1e-7);
    EXPECT_NEAR(vertices[0].rz, 0.0, 1e-7);
}

TEST(ProjectVertex, BothFormsTruncateTowardZero)
{
    Vertex vertex{0, -3.9, 0, 1.5, 0, 0, 0, 0};  // 256·rx / 256 = -3.9
    render::projectVertex(vertex, 256.0, 0, 100);
    EXPECT_EQ(vertex.sx, -3);
    EXPECT_EQ(vertex.sy, 98);  // -1.5 + 100
    vertex.sx = vertex.sy = 0;
    render::projectVertex(vertex, std::uint32_t{256}, 0, 100);
    EXPECT_EQ(vertex.sx, -3);
    EXPECT_EQ(vertex.sy, 98);
}

TEST(ProjectVertex, PointsAtTheEyeSaturateInsteadOfOverflowing)
{
    const double eye = -1624.0;
    EXPECT_EQ(render::projectPoint({5, -5, eye}, 1624.0, 75, 300).sx, INT_MAX);
    EXPECT_EQ(render::projectPoint({5, -5, eye}, 1624.0, 75, 300).sy, INT_MAX);
    EXPECT_EQ(render::projectPoint({-5, 0, eye}, 1624.0, 75, 300).sx, INT_MIN);
    EXPECT_EQ(render::projectPoint({0, 0, eye}, 1624.0, 75, 300).sx, INT_MIN) << "0 / 0";
    EXPECT_EQ(render::projectPoint({1e9, 0, 1}, std::uint32_t{0}, 0, 0).sx, INT_MAX);
    EXPECT_EQ(render::projectPoint({-3, 3, -2000}, 1000.0, 10, 10).sx, 10);  // behind the eye but finite: as computed
    EXPECT_EQ(render::truncToInt32(-2147483648.9), INT_MIN);
    EXPECT_EQ(render::truncToInt32(2147483647.9), INT_MAX);
    EXPECT_EQ(render::truncToInt32(-std::numeric_limits<double>::infinity()), INT_MIN);
}

TEST(FacingTest, ClockwiseAndDegenerateFacesAreDrawn)
{
    EXPECT_TRUE(render::facesViewer({0, 0}, {10, 0}, {0, 10}));
    EXPECT_FALSE(render::facesViewer({0, 0}, {0, 10}, {10, 0}));
    EXPECT_TRUE(render::facesViewer({0, 0}, {5, 5}, {10, 10}));
    EXPECT_FALSE(render::facesViewer({INT_MIN, 0}, {0, INT_MAX}, {INT_MAX, 0})) << "no integer overflow";
}

TEST(NearTest, AFaceNeedsOneCornerAtDepthTwoOrMore)
{
    EXPECT_FALSE(render::isBeyondNearLimit(0.0, 1.999));
    EXPECT_TRUE(render::isBeyondNearLimit(0.5, 1.5));
    EXPECT_FALSE(render::isBeyondNearLimit(std::nan(""), 10.0));
    EXPECT_TRUE(render::isBeyondNearLimit(1e300, 0.0));
}

// With d = 256 and rz = 0 the projection is the identity shifted by the centre
// (y flipped), so model (0, 0), (10, 0), (0, -10) lands on (100, 100),
// (110, 100), (100, 110): clockwise on the screen.
struct TriangleScene {
    std::vector<Vertex> vertices{at(0, 0, 0), at(10, 0, 0), at(0, -10, 0)};
    TestFrame frame;

    void draw(Face face, double d = 256.0)
    {
        std::array faces{face};
        render::drawMeshWire(std::span(vertices), std::span(faces), frame.span(), 100, 100, d, 0, 0, 0, 15,
                             sines.view());
    }
    int lit() const
    {
        int count = 0;
        for (render::Pixel pixel : frame.pixels)
            count += pixel != 0;
        return count;
    }
};

TEST(DrawMeshWire, DrawsTheFlaggedEdgesOfFrontFaces)
{
    TriangleScene scene;
    scene.draw({0, 1, 2, 1, 1, 1});
    EXPECT_EQ(scene.lit(), 30);
    EXPECT_EQ(scene.frame.at(100, 100), 0x000F0F0Fu);
    EXPECT_EQ(scene.frame.at(110, 100), 0x000F0F0Fu) << "b-c starts at b";
    EXPECT_EQ(scene.vertices[2].sy, 110);

    TriangleScene backFacing;
    backFacing.draw({0, 2, 1, 1, 1, 1});
    EXPECT_EQ(backFacing.lit(), 0);

    TriangleScene oneEdge;
    oneEdge.draw({0, 1, 2, 0, 1, 0});
    EXPECT_EQ(oneEdge.lit(), 10);
    EXPECT_EQ(oneEdge.frame.at(101, 109), 0x000F0F0Fu);
}

TEST(DrawMeshWire, SkipsFacesWhollyInsideTheNearLimitOrNamingUnknownVertices)
{
    TriangleScene near;
    near.draw({0, 1, 2, 1, 1, 1}, 1.5);
    EXPECT_EQ(near.lit(), 0);

    TriangleScene oneCornerFarEnough;
    oneCornerFarEnough.vertices[1].z = 0.5;  // rz + d = 2
    oneCornerFarEnough.draw({0, 1, 2, 1, 1, 1}, 1.5);
    EXPECT_GT(oneCornerFarEnough.lit(), 0);

    TriangleScene unknown;
    unknown.draw({0, 1, 3, 1, 1, 1});
    unknown.draw({-1, 1, 2, 1, 1, 1});
    EXPECT_EQ(unknown.lit(), 0);
}

}  // namespace
