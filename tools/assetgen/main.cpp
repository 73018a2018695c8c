// assetgen: draws every picture and mesh of the show into a data library,
// and draws a contact sheet of a library for review.
//
//   assetgen build OUTPUT.dat [--fonts FOLDER]
//   assetgen sheet LIBRARY.dat OUTPUT.png [--fonts FOLDER]

#include "data/assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "data/raw_image.h"
#include "tools/assetgen/contact_sheet.h"
#include "tools/assetgen/lettering.h"
#include "tools/assetgen/meshes.h"
#include "tools/assetgen/pictures.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr const char* defaultFontFolder = "/usr/share/fonts/truetype/dejavu";

void check(const data::Loaded<data::LibraryEntry>& added)
{
    if (!added) throw std::runtime_error(added.error());
}

// Writes next to the target first, so a failed run never leaves half a library.
void buildLibrary(const std::string& outputPath, const assetgen::Lettering& lettering)
{
    const std::string partial = outputPath + ".partial";
    {
        auto library = data::DataLibrary::createLibrary(partial, 0);
        if (!library) throw std::runtime_error(library.error());
        for (const data::PictureAsset& picture : data::assets::pictures) {
            check(library->addEntry(picture.name, data::encodeRawImage(assetgen::drawPicture(picture, lettering))));
        }
        check(library->addEntry(data::assets::spikeMesh, data::encodeMesh(assetgen::buildSpikeMesh())));
        check(library->addEntry(data::assets::stationMesh, data::encodeMesh(assetgen::buildStationMesh())));
    }
    std::filesystem::rename(partial, outputPath);
}

int usage()
{
    std::fputs("usage: assetgen build OUTPUT.dat [--fonts FOLDER]\n"
               "       assetgen sheet LIBRARY.dat OUTPUT.png [--fonts FOLDER]\n",
               stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string fontFolder = defaultFontFolder;
    for (std::size_t i = 0; i + 1 < args.size(); ++i) {
        if (args[i] == "--fonts") {
            fontFolder = args[i + 1];
            args.erase(args.begin() + std::ptrdiff_t(i), args.begin() + std::ptrdiff_t(i) + 2);
            break;
        }
    }
    try {
        if (args.size() == 2 && args[0] == "build") {
            buildLibrary(args[1], assetgen::Lettering(fontFolder));
        } else if (args.size() == 3 && args[0] == "sheet") {
            assetgen::writeContactSheet(args[1], args[2], assetgen::Lettering(fontFolder));
        } else {
            return usage();
        }
    } catch (const std::exception& error) {
        std::fprintf(stderr, "assetgen: %s\n", error.what());
        return 1;
    }
    return 0;
}
