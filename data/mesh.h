#pragma once
// The wire-frame objects: a binary mesh entry and the in-memory Mesh that the
// 3D toolkit rotates, projects and draws.
//
// Entry layout (little-endian, no header): int32 vertex count N, int32 face
// count F, N vertices of three float64 (x, y, z), then F faces of six int32
// (corners a, b, c; edge flags a–b, b–c, c–a; non-zero = drawn). An entry is
// 8 + 24 × (N + F) bytes.

#include "data/data_library.h"
#include "data/loaded.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace data {

struct MeshVertex {
    double x, rx;  // model and rotated x
    double y, ry;  // model and rotated y
    double z, rz;  // model and rotated z
    std::int32_t sx, sy;  // projected position in FrameBuffer pixels
};

// Same layout as the file record, so the face list is one block.
struct MeshFace {
    std::int32_t a, b, c;
    std::int32_t edgeAB, edgeBC, edgeCA;
};
static_assert(sizeof(MeshFace) == 24);

struct Mesh {
    std::vector<MeshVertex> vertices;
    std::vector<MeshFace> faces;

    std::int32_t vertexCount() const { return static_cast<std::int32_t>(vertices.size()); }
    std::int32_t faceCount() const { return static_cast<std::int32_t>(faces.size()); }
};

constexpr std::size_t meshCountsSize = 8;
constexpr std::size_t meshRecordSize = 24;  // one vertex or one face

// Reads a mesh entry. Rotated and projected fields start at 0. Rejects
// negative counts, counts the entry cannot hold, a corner index outside
// 0..N−1 and coordinates that are not finite numbers.
Loaded<Mesh> parseMesh(std::span<const std::byte> entry);
// seekEntry(name), then parseMesh; errors name the file and the entry.
Loaded<Mesh> loadMesh(DataLibrary& library, std::string_view name);
// The entry bytes of a mesh (model coordinates and faces only).
std::vector<std::byte> encodeMesh(const Mesh& mesh);

}  // namespace data
