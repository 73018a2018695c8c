// The data library and the mesh loader: any bytes as a library file, then
// every lookup the show makes (each picture and each mesh), and the mesh
// parser on the raw input.

#include "data/assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "data/raw_image.h"
#include "tests/fuzz/fuzz_file.h"

#include <span>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(bytes), size);
    (void)data::parseMesh(input);

    const fuzzing::ScratchFile file("data_fuzz", bytes, size);
    if (auto library = data::DataLibrary::open(file.path(), data::Access::readOnly)) {
        if (auto entries = library->entries())
            for (const data::LibraryEntry& entry : *entries) (void)library->readEntry(entry.nameView());
        (void)library->seekEntry("absent.raw");
        // One buffer for every picture: allocating a full picture per input
        // would cost more than the reads under test.
        static std::vector<data::Pixel> pixels;
        for (const data::PictureAsset& picture : data::assets::pictures) {
            pixels.resize(picture.pixelCount());
            (void)data::readRawImage(*library, picture, pixels);
        }
        for (const std::string_view mesh : data::assets::meshes) (void)data::loadMesh(*library, mesh);
    }
    return 0;
}
