#include "tools/assetgen/meshes.h"

#include <array>
#include <cmath>
#include <map>
#include <utility>

namespace assetgen {

namespace {

struct Vec {
    double x = 0, y = 0, z = 0;
    friend Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
    friend Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
    friend Vec operator*(Vec a, double k) { return {a.x * k, a.y * k, a.z * k}; }
};

double dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec normalised(Vec v) { return v * (1 / std::sqrt(dot(v, v))); }

constexpr double pi = 3.14159265358979323846;

class MeshBuilder {
public:
    int vertex(Vec position)
    {
        positions_.push_back(position);
        return int(positions_.size() - 1);
    }
    Vec position(int index) const { return positions_[std::size_t(index)]; }

    // Adds a triangle wound so that its normal points along `outward`.
    void triangle(int a, int b, int c, Vec outward)
    {
        const Vec normal = cross(position(b) - position(a), position(c) - position(a));
        if (dot(normal, outward) < 0) std::swap(b, c);
        faces_.push_back({a, b, c});
    }
    // A planar quad a, b, c, d (in order around its edge) as two triangles.
    void quad(int a, int b, int c, int d, Vec outward)
    {
        triangle(a, b, c, outward);
        triangle(a, c, d, outward);
    }

    data::Mesh finish() const
    {
        data::Mesh mesh;
        for (const Vec& p : positions_) mesh.vertices.push_back({p.x, 0, p.y, 0, p.z, 0, 0, 0});
        // Which face lies on the other side of each directed edge.
        std::map<std::pair<int, int>, std::size_t> faceOfEdge;
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            for (int corner = 0; corner < 3; ++corner) {
                faceOfEdge[{faces_[f][std::size_t(corner)], faces_[f][std::size_t((corner + 1) % 3)]}] = f;
            }
        }
        for (std::size_t f = 0; f < faces_.size(); ++f) {
            const auto& face = faces_[f];
            std::array<std::int32_t, 3> flags{};
            for (int corner = 0; corner < 3; ++corner) {
                const int from = face[std::size_t(corner)], to = face[std::size_t((corner + 1) % 3)];
                const auto other = faceOfEdge.find({to, from});
                const bool flat = other != faceOfEdge.end() &&
                                  dot(unitNormal(face), unitNormal(faces_[other->second])) > 1 - 1e-9;
                flags[std::size_t(corner)] = flat ? 0 : 1;
            }
            mesh.faces.push_back({face[0], face[1], face[2], flags[0], flags[1], flags[2]});
        }
        return mesh;
    }

private:
    Vec unitNormal(const std::array<int, 3>& face) const
    {
        return normalised(cross(position(face[1]) - position(face[0]), position(face[2]) - position(face[0])));
    }

    std::vector<Vec> positions_;
    std::vector<std::array<int, 3>> faces_;
};

}  // namespace

data::Mesh buildSpikeMesh()
{
    // The core: an octahedron with its corners on the axes.
    constexpr double coreRadius = 180, spikeLength = 380;
    MeshBuilder builder;
    const std::array<Vec, 6> axes = {Vec{1, 0, 0}, Vec{0, 1, 0}, Vec{0, 0, 1}, Vec{-1, 0, 0}, Vec{0, -1, 0}, Vec{0, 0, -1}};
    std::array<int, 6> corner{};
    for (std::size_t i = 0; i < axes.size(); ++i) corner[i] = builder.vertex(axes[i] * coreRadius);
    // One spike on each of the octahedron's eight faces: a three-sided
    // pyramid whose tip lies along the face's centre direction.
    for (int octant = 0; octant < 8; ++octant) {
        const std::size_t x = (octant & 1) ? 3 : 0, y = (octant & 2) ? 4 : 1, z = (octant & 4) ? 5 : 2;
        const Vec centre = normalised(axes[x] + axes[y] + axes[z]);
        const int tip = builder.vertex(centre * spikeLength);
        const std::array<int, 3> base = {corner[x], corner[y], corner[z]};
        for (std::size_t k = 0; k < 3; ++k) {
            const int from = base[k], to = base[(k + 1) % 3];
            const Vec middle = (builder.position(from) + builder.position(to) + builder.position(tip)) * (1.0 / 3);
            builder.triangle(from, to, tip, middle);
        }
    }
    return builder.finish();
}

data::Mesh buildStationMesh()
{
    MeshBuilder builder;
    // The ring: a torus about the y axis, 16 segments around, 8 around the tube.
    constexpr int around = 16, tube = 8;
    constexpr double ringRadius = 14, tubeRadius = 3;
    std::array<std::array<int, tube>, around> ring{};
    for (int i = 0; i < around; ++i) {
        const double u = 2 * pi * i / around;
        for (int j = 0; j < tube; ++j) {
            const double v = 2 * pi * j / tube;
            const double r = ringRadius + tubeRadius * std::cos(v);
            ring[std::size_t(i)][std::size_t(j)] = builder.vertex({r * std::cos(u), tubeRadius * std::sin(v), r * std::sin(u)});
        }
    }
    for (int i = 0; i < around; ++i) {
        const int ni = (i + 1) % around;
        const double u = 2 * pi * (i + 0.5) / around;
        const Vec tubeCentre{ringRadius * std::cos(u), 0, ringRadius * std::sin(u)};
        for (int j = 0; j < tube; ++j) {
            const int nj = (j + 1) % tube;
            const int a = ring[std::size_t(i)][std::size_t(j)], b = ring[std::size_t(ni)][std::size_t(j)];
            const int c = ring[std::size_t(ni)][std::size_t(nj)], d = ring[std::size_t(i)][std::size_t(nj)];
            const Vec middle = (builder.position(a) + builder.position(c)) * 0.5;
            builder.quad(a, b, c, d, middle - tubeCentre);
        }
    }

    // The hub: a 12-sided drum along the y axis with flat caps.
    constexpr int sides = 12;
    constexpr double hubRadius = 4, hubHalfHeight = 7;
    std::array<int, sides> top{}, bottom{};
    for (int i = 0; i < sides; ++i) {
        const double a = 2 * pi * i / sides;
        top[std::size_t(i)] = builder.vertex({hubRadius * std::cos(a), hubHalfHeight, hubRadius * std::sin(a)});
        bottom[std::size_t(i)] = builder.vertex({hubRadius * std::cos(a), -hubHalfHeight, hubRadius * std::sin(a)});
    }
    const int topCentre = builder.vertex({0, hubHalfHeight, 0});
    const int bottomCentre = builder.vertex({0, -hubHalfHeight, 0});
    for (int i = 0; i < sides; ++i) {
        const std::size_t k = std::size_t(i), nk = std::size_t((i + 1) % sides);
        const double a = 2 * pi * (i + 0.5) / sides;
        builder.quad(top[k], top[nk], bottom[nk], bottom[k], {std::cos(a), 0, std::sin(a)});
        builder.triangle(topCentre, top[k], top[nk], {0, 1, 0});
        builder.triangle(bottomCentre, bottom[k], bottom[nk], {0, -1, 0});
    }

    // Four square spokes from the hub out to the ring.
    constexpr double spokeHalf = 0.9, spokeStart = 3.5, spokeEnd = 12;
    for (int s = 0; s < 4; ++s) {
        const double a = pi / 2 * s + pi / 4;
        const Vec along{std::cos(a), 0, std::sin(a)}, side{-std::sin(a), 0, std::cos(a)}, up{0, 1, 0};
        std::array<int, 8> corner{};
        for (int k = 0; k < 8; ++k) {
            const double reach = (k & 4) ? spokeEnd : spokeStart;
            const Vec offset = side * ((k & 1) ? spokeHalf : -spokeHalf) + up * ((k & 2) ? spokeHalf : -spokeHalf);
            corner[std::size_t(k)] = builder.vertex(along * reach + offset);
        }
        const auto box = [&](int a0, int a1, int a2, int a3, Vec outward) {
            builder.quad(corner[std::size_t(a0)], corner[std::size_t(a1)], corner[std::size_t(a2)],
                         corner[std::size_t(a3)], outward);
        };
        box(0, 1, 3, 2, along * -1);
        box(4, 5, 7, 6, along);
        box(0, 1, 5, 4, up * -1);
        box(2, 3, 7, 6, up);
        box(0, 2, 6, 4, side * -1);
        box(1, 3, 7, 5, side);
    }
    return builder.finish();
}

}  // namespace assetgen
