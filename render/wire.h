#pragma once
// The wire-frame pipeline: a mesh is rotated about three axes, projected in
// perspective onto the frame, its back faces dropped, and the flagged edges of
// the rest drawn as additive lines. No filling, sorting or view-volume
// clipping: overlapping edges simply add up to brighter light.
//
// The mesh operations are templates over the caller's vertex and face records:
// - a vertex has float64 fields x, y, z (model), rx, ry, rz (rotated) and
//   int32 fields sx, sy (projected);
// - a face is an aggregate of six int32 values in the order a, b, c (vertex
//   indices), then the edge flags a–b, b–c, c–a (non-zero: draw that edge).
//   It is read by position, whatever its fields are called.
//
// Angles are bytes, 256 steps per turn. Model x grows right, y up and z away
// from the viewer; the frame's y grows down.

#include "render/image.h"
#include "render/line.h"

#include <concepts>
#include <cstdint>
#include <span>

namespace render {

// The show's sine and cosine tables: entry n is sin or cos of n × π / 128,
// as single-precision floats.
struct SineTableView {
    std::span<const float, 256> sinTable;
    std::span<const float, 256> cosTable;
};

struct RotatedPoint {
    double rx;
    double ry;
    double rz;
};

// A rotation about Y by angleY, then about X by angleX, then about Z by angleZ,
// with the sines and cosines read once from the tables.
class Rotation {
public:
    Rotation(std::uint8_t angleX, std::uint8_t angleY, std::uint8_t angleZ, const SineTableView& sines);
    RotatedPoint apply(double x, double y, double z) const;

private:
    double sinX_, cosX_, sinY_, cosY_, sinZ_, cosZ_;
};

struct ScreenPoint {
    std::int32_t sx;
    std::int32_t sy;
};

// The viewing distance d is added to rz before the perspective division. It is
// a float64 in one form and an unsigned integer in the other; the two forms
// give the same mapping up to the last bit before truncation.
template <class Distance>
concept ViewDistance = std::same_as<Distance, double> || std::same_as<Distance, std::uint32_t>;

// sx = trunc(256·rx / (rz + d) + centreX), sy = trunc(−256·ry / (rz + d) + centreY).
ScreenPoint projectPoint(const RotatedPoint& point, double d, std::int32_t centreX, std::int32_t centreY);
// k = 1 / (d + rz); sx = trunc(256·rx·k + centreX), sy = trunc(−256·ry·k + centreY).
ScreenPoint projectPoint(const RotatedPoint& point, std::uint32_t d, std::int32_t centreX, std::int32_t centreY);

// Truncates toward zero. A point at or behind the eye (rz + d <= 0) may project
// to an infinity, a NaN or a value beyond 32 bits: those saturate to the int32
// limits (a NaN to the lowest), far outside the frame, instead of reaching an
// undefined conversion.
std::int32_t truncToInt32(double value);

// A face is drawn only if one of its corners has trunc(rz + d) above 1.
bool isBeyondNearLimit(double rz, double d);

// The facing test on the projected corners: drawn when
// W = (sx_b − sx_a)·(sy_a − sy_c) − (sy_a − sy_b)·(sx_c − sx_a) is at most 0,
// that is clockwise on the screen (y down) or degenerate.
bool facesViewer(ScreenPoint a, ScreenPoint b, ScreenPoint c);

// Overwrites rx, ry, rz of every vertex from its model x, y, z (afresh every
// frame; rotations never accumulate).
template <class Vertex, std::size_t VertexCount>
void rotateMesh(std::span<Vertex, VertexCount> vertices, std::uint8_t angleX, std::uint8_t angleY, std::uint8_t angleZ,
                const SineTableView& sines)
{
    const Rotation rotation(angleX, angleY, angleZ, sines);
    for (Vertex& vertex : vertices) {
        const RotatedPoint rotated = rotation.apply(vertex.x, vertex.y, vertex.z);
        vertex.rx = rotated.rx;
        vertex.ry = rotated.ry;
        vertex.rz = rotated.rz;
    }
}

// Overwrites sx, sy of one vertex from rx, ry, rz.
template <class Vertex, ViewDistance Distance>
void projectVertex(Vertex& vertex, Distance d, std::int32_t centreX, std::int32_t centreY)
{
    const ScreenPoint point = projectPoint({vertex.rx, vertex.ry, vertex.rz}, d, centreX, centreY);
    vertex.sx = point.sx;
    vertex.sy = point.sy;
}

// One object for one frame, drawn on top of what the frame holds: rotate,
// project every vertex, then for each face in list order the near test, the
// facing test and its flagged edges a–b, b–c, c–a. A face naming a vertex
// outside the list is skipped.
template <class Vertex, std::size_t VertexCount, class Face, std::size_t FaceCount, ViewDistance Distance>
void drawMeshWire(std::span<Vertex, VertexCount> vertices, std::span<Face, FaceCount> faces, FrameSpan frame, std::int32_t centreX,
                  std::int32_t centreY, Distance d, std::uint8_t angleX, std::uint8_t angleY, std::uint8_t angleZ,
                  std::uint8_t step, const SineTableView& sines)
{
    rotateMesh(vertices, angleX, angleY, angleZ, sines);
    for (Vertex& vertex : vertices)
        projectVertex(vertex, d, centreX, centreY);

    const auto known = [&vertices](std::int32_t index) {
        return index >= 0 && static_cast<std::size_t>(index) < vertices.size();
    };
    for (const Face& face : faces) {
        const auto& [a, b, c, edgeAB, edgeBC, edgeCA] = face;
        if (!known(a) || !known(b) || !known(c))
            continue;
        const Vertex& va = vertices[static_cast<std::size_t>(a)];
        const Vertex& vb = vertices[static_cast<std::size_t>(b)];
        const Vertex& vc = vertices[static_cast<std::size_t>(c)];
        const double distance = static_cast<double>(d);
        if (!isBeyondNearLimit(va.rz, distance) && !isBeyondNearLimit(vb.rz, distance) &&
            !isBeyondNearLimit(vc.rz, distance))
            continue;
        if (!facesViewer({va.sx, va.sy}, {vb.sx, vb.sy}, {vc.sx, vc.sy}))
            continue;
        if (edgeAB != 0)
            addLine(frame, va.sx, va.sy, vb.sx, vb.sy, step);
        if (edgeBC != 0)
            addLine(frame, vb.sx, vb.sy, vc.sx, vc.sy, step);
        if (edgeCA != 0)
            addLine(frame, vc.sx, vc.sy, va.sx, va.sy, step);
    }
}

}  // namespace render
