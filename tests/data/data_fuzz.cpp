// libFuzzer target for the data library and the mesh loader: any bytes as a
// library file, then every lookup the show makes and the mesh parser on the
// raw input. Built only with clang (see CMakeLists.txt); run it as
//   ./data_fuzz -max_total_time=60
// from a folder it may write a scratch file into.

#include "data/assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "data/raw_image.h"

#include <unistd.h>

#include <cstdio>
#include <span>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size)
{
    const std::span<const std::byte> input(reinterpret_cast<const std::byte*>(bytes), size);
    (void)data::parseMesh(input);

    const std::string path = "data_fuzz." + std::to_string(getpid()) + ".dat";
    if (std::FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(bytes, 1, size, file);
        std::fclose(file);
    }
    if (auto library = data::DataLibrary::open(path, data::Access::readOnly)) {
        (void)library->entries();
        for (const data::PictureAsset& picture : data::assets::pictures) (void)data::readRawImage(*library, picture);
        for (const std::string_view mesh : data::assets::meshes) (void)data::loadMesh(*library, mesh);
    }
    std::remove(path.c_str());
    return 0;
}
