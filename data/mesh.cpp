#include "data/mesh.h"

#include <bit>
#include <cmath>
#include <cstring>
#include <string>

namespace data {

namespace {

static_assert(std::endian::native == std::endian::little,
              "mesh entries are read as little-endian blocks");

template <class T>
T readAt(std::span<const std::byte> bytes, std::size_t offset)
{
    T value;
    std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

template <class T>
void append(std::vector<std::byte>& bytes, const T& value)
{
    const auto* raw = reinterpret_cast<const std::byte*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

}  // namespace

Loaded<Mesh> parseMesh(std::span<const std::byte> entry)
{
    if (entry.size() < meshCountsSize) {
        return fail("holds " + std::to_string(entry.size()) + " bytes, too few for the mesh counts");
    }
    const auto vertexCount = readAt<std::int32_t>(entry, 0);
    const auto faceCount = readAt<std::int32_t>(entry, 4);
    const std::string counts = std::to_string(vertexCount) + " vertices and " +
                               std::to_string(faceCount) + " faces";
    if (vertexCount < 0 || faceCount < 0) return fail("gives negative counts: " + counts);
    const std::uint64_t needed =
        meshCountsSize + meshRecordSize * (std::uint64_t(vertexCount) + std::uint64_t(faceCount));
    if (needed > entry.size()) {
        return fail("holds " + std::to_string(entry.size()) + " bytes, " + counts + " need " +
                    std::to_string(needed));
    }

    Mesh mesh;
    mesh.vertices.resize(std::size_t(vertexCount), MeshVertex{});
    std::size_t offset = meshCountsSize;
    for (std::int32_t i = 0; i < vertexCount; ++i) {
        MeshVertex& vertex = mesh.vertices[std::size_t(i)];
        vertex.x = readAt<double>(entry, offset);
        vertex.y = readAt<double>(entry, offset + 8);
        vertex.z = readAt<double>(entry, offset + 16);
        offset += meshRecordSize;
        if (!std::isfinite(vertex.x) || !std::isfinite(vertex.y) || !std::isfinite(vertex.z)) {
            return fail("vertex " + std::to_string(i) + " has a coordinate that is not a finite number");
        }
    }
    mesh.faces.resize(std::size_t(faceCount));
    if (faceCount > 0) std::memcpy(mesh.faces.data(), entry.data() + offset, mesh.faces.size() * sizeof(MeshFace));
    for (std::int32_t i = 0; i < faceCount; ++i) {
        const MeshFace& face = mesh.faces[std::size_t(i)];
        for (const std::int32_t corner : {face.a, face.b, face.c}) {
            if (corner < 0 || corner >= vertexCount) {
                return fail("face " + std::to_string(i) + " uses vertex " + std::to_string(corner) +
                            " of " + std::to_string(vertexCount));
            }
        }
    }
    return mesh;
}

Loaded<Mesh> loadMesh(DataLibrary& library, std::string_view name)
{
    const auto bytes = library.readEntry(name);
    if (!bytes) return fail(bytes.error());
    auto mesh = parseMesh(*bytes);
    if (!mesh) return fail(library.path() + ": entry \"" + std::string(name) + "\" " + mesh.error());
    return mesh;
}

std::vector<std::byte> encodeMesh(const Mesh& mesh)
{
    std::vector<std::byte> bytes;
    bytes.reserve(meshCountsSize + meshRecordSize * (mesh.vertices.size() + mesh.faces.size()));
    append(bytes, mesh.vertexCount());
    append(bytes, mesh.faceCount());
    for (const MeshVertex& vertex : mesh.vertices) {
        append(bytes, vertex.x);
        append(bytes, vertex.y);
        append(bytes, vertex.z);
    }
    for (const MeshFace& face : mesh.faces) append(bytes, face);
    return bytes;
}

}  // namespace data
