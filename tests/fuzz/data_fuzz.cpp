// The data library and the mesh loader: any bytes as a library file, then
// every entry in turn, the startup check of every picture and mesh the show
// reads, and the mesh parser on the raw input.

#include "tests/fuzz/show_assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "tests/fuzz/fuzz_file.h"

#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(bytes), size);
    (void)data::parseMesh(input);

    const fuzzing::ScratchFile file("data_fuzz", bytes, size);
    if (auto library = data::DataLibrary::open(file.path(), data::Access::readOnly)) {
        if (auto entries = library->entries())
            for (const data::LibraryEntry& entry : *entries) (void)library->readEntry(entry.nameView());
        (void)library->seekEntry("absent.raw");
        (void)fuzzing::checkShowAssets(*library);
    }
    return 0;
}
