#include "data/mesh.h"
#include "tests/support/scratch_folder.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

namespace data {
namespace {

using testsupport::ScratchFolder;

template <class T>
void put(std::vector<std::byte>& bytes, T value)
{
    const auto* raw = reinterpret_cast<const std::byte*>(&value);
    bytes.insert(bytes.end(), raw, raw + sizeof value);
}

std::vector<std::byte> meshEntry(std::int32_t vertexCount, std::int32_t faceCount,
                                 const std::vector<double>& coordinates,
                                 const std::vector<std::int32_t>& faceValues)
{
    std::vector<std::byte> bytes;
    put(bytes, vertexCount);
    put(bytes, faceCount);
    for (const double value : coordinates) put(bytes, value);
    for (const std::int32_t value : faceValues) put(bytes, value);
    return bytes;
}

// A triangle with one vertex not used by its one face.
const std::vector<double> fourVertices = {1.5, -2.0, 0.25, 0, 0, 0, 1, 0, 0, 0, 1, 0};
const std::vector<std::int32_t> oneFace = {1, 2, 3, 1, 0, 1};

TEST(Mesh, EmptyEntriesAndVerticesWithoutFacesLoad)
{
    for (const auto& [vertices, coordinates] : {std::pair{0, std::vector<double>{}}, {4, fourVertices}}) {
        const auto mesh = parseMesh(meshEntry(vertices, 0, coordinates, {}));
        ASSERT_TRUE(mesh.ok()) << mesh.error();
        EXPECT_EQ(mesh->vertexCount(), vertices);
        EXPECT_EQ(mesh->faceCount(), 0);
    }
}

TEST(Mesh, VerticesAreReadExactlyAndFacesInOrder)
{
    const std::vector<std::int32_t> twoFaces = {1, 2, 3, 1, 0, 1, 3, 2, 0, 0, 1, 0};
    const auto mesh = parseMesh(meshEntry(4, 2, fourVertices, twoFaces));
    ASSERT_TRUE(mesh.ok()) << mesh.error();
    ASSERT_EQ(mesh->vertexCount(), 4);
    const MeshVertex& first = mesh->vertices[0];
    EXPECT_EQ(first.x, 1.5);
    EXPECT_EQ(first.y, -2.0);
    EXPECT_EQ(first.z, 0.25);
    ASSERT_EQ(mesh->faceCount(), 2);
    EXPECT_EQ(mesh->faces[0].a, 1);
    EXPECT_EQ(mesh->faces[0].edgeBC, 0);
    EXPECT_EQ(mesh->faces[1].a, 3);
    EXPECT_EQ(mesh->faces[1].edgeBC, 1);
    EXPECT_EQ(encodeMesh(*mesh), meshEntry(4, 2, fourVertices, twoFaces));
}

TEST(Mesh, InconsistentEntriesAreRejected)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double infinity = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        std::vector<std::byte> entry;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"no counts", {std::byte{1}, std::byte{0}}, "too few"},
        {"negative vertex count", meshEntry(-1, 0, {}, {}), "negative"},
        {"negative face count", meshEntry(0, -5, {}, {}), "negative"},
        {"counts larger than the entry", meshEntry(4, 2, fourVertices, oneFace), "need 152"},
        {"huge counts", meshEntry(std::numeric_limits<std::int32_t>::max(), std::numeric_limits<std::int32_t>::max(), {}, {}), "need"},
        {"index equal to N", meshEntry(4, 1, fourVertices, {0, 1, 4, 1, 1, 1}), "uses vertex 4 of 4"},
        {"negative index", meshEntry(4, 1, fourVertices, {-1, 1, 2, 1, 1, 1}), "uses vertex -1"},
        {"index into an empty vertex list", meshEntry(0, 1, {}, {0, 0, 0, 1, 1, 1}), "uses vertex 0 of 0"},
        {"not a number", meshEntry(1, 0, {0, nan, 0}, {}), "vertex 0"},
        {"infinite", meshEntry(1, 0, {0, 0, infinity}, {}), "vertex 0"},
    };
    for (const Case& test : cases) {
        SCOPED_TRACE(test.what);
        const auto mesh = parseMesh(test.entry);
        ASSERT_FALSE(mesh.ok());
        EXPECT_NE(mesh.error().find(test.message), std::string::npos) << mesh.error();
    }
}

TEST(Mesh, EveryCutOfAValidEntryIsRejected)
{
    const auto whole = meshEntry(4, 1, fourVertices, oneFace);
    for (std::size_t length = 0; length < whole.size(); ++length) {
        const std::vector<std::byte> cut(whole.begin(), whole.begin() + std::ptrdiff_t(length));
        EXPECT_FALSE(parseMesh(cut).ok()) << "cut at " << length;
    }
}

TEST(Mesh, LoadErrorsNameTheFileAndTheEntry)
{
    ScratchFolder folder;
    const std::string path = folder.path("lib.dat");
    auto library = DataLibrary::createLibrary(path, 0);
    ASSERT_TRUE(library.ok());
    library->addEntry("good.obj", meshEntry(4, 1, fourVertices, oneFace));
    library->addEntry("bad.obj", meshEntry(4, 2, fourVertices, oneFace));

    const auto good = loadMesh(*library, "good.obj");
    ASSERT_TRUE(good.ok()) << good.error();
    EXPECT_EQ(good->faces[0].c, 3);
    const auto bad = loadMesh(*library, "bad.obj");
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.error().rfind(path + ": entry \"bad.obj\" holds 128 bytes", 0), 0u) << bad.error();
    const auto missing = loadMesh(*library, "astro.obj");
    ASSERT_FALSE(missing.ok());
    EXPECT_NE(missing.error().find("astro.obj"), std::string::npos);
}

}  // namespace
}  // namespace data
