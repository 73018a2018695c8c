// assetgen: draws every picture and mesh of the show into a data library,
// and draws a contact sheet of a library for review.
//
//   assetgen build OUTPUT.dat [--fonts FOLDER]
//   assetgen sheet LIBRARY.dat OUTPUT.png [--fonts FOLDER]
//   assetgen resources OUTPUT.cpp [--fonts FOLDER]   (the program's picture and icon)
//   assetgen windows-resources OUTPUT.rc [--fonts FOLDER]   (the same as Windows resources)

#include "data/assets.h"
#include "data/data_library.h"
#include "data/mesh.h"
#include "data/raw_image.h"
#include "tools/assetgen/contact_sheet.h"
#include "tools/assetgen/lettering.h"
#include "tools/assetgen/meshes.h"
#include "tools/assetgen/pictures.h"
#include "tools/assetgen/windows_resources.h"

#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

constexpr const char* defaultFontFolder = "/usr/share/fonts/truetype/dejavu";

void check(const data::Loaded<data::LibraryEntry>& added)
{
    if (!added) throw std::runtime_error(added.error());
}

// Where a run writes before renaming onto the target, so that a failed run
// never leaves half a file. Named per process: a build of several targets at
// once may run the same generating step twice side by side.
std::string partialPath(const std::string& outputPath)
{
    return outputPath + ".partial." + std::to_string(getpid());
}

void buildLibrary(const std::string& outputPath, const assetgen::Lettering& lettering)
{
    const std::string partial = partialPath(outputPath);
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

// One picture as a C++ array of red, green, blue bytes.
void writeResourceArray(std::FILE* out, const char* name, const std::vector<data::Pixel>& pixels)
{
    std::fprintf(out, "const unsigned char %s[] = {", name);
    for (std::size_t i = 0; i < pixels.size(); ++i) {
        const data::Pixel p = pixels[i];
        std::fprintf(out, "%s%u,%u,%u,", i % 8 == 0 ? "\n    " : " ", unsigned(p >> 16 & 0xFF), unsigned(p >> 8 & 0xFF),
                     unsigned(p & 0xFF));
    }
    std::fprintf(out, "\n};\n\n");
}

// The source of host/resources.h's two pictures.
void writeResources(const std::string& outputPath, const assetgen::Lettering& lettering)
{
    const std::string partial = partialPath(outputPath);
    std::FILE* out = std::fopen(partial.c_str(), "w");
    if (out == nullptr) throw std::runtime_error("cannot write " + partial);
    std::fprintf(out, "// Drawn by assetgen during the build; do not edit.\n#include \"host/resources.h\"\n\n"
                      "namespace host {\n\nnamespace {\n\n");
    writeResourceArray(out, "bitmapPixels", assetgen::drawProgramBitmap(lettering));
    writeResourceArray(out, "iconPixels", assetgen::drawProgramIcon());
    std::fprintf(out, "}  // namespace\n\nconst ResourceImage demoBitmap{%d, %d, bitmapPixels};\n"
                      "const ResourceImage demoIcon{%d, %d, iconPixels};\n\n}  // namespace host\n",
                 assetgen::programBitmapWidth, assetgen::programBitmapHeight, assetgen::programIconSize,
                 assetgen::programIconSize);
    const bool written = std::ferror(out) == 0;
    if (std::fclose(out) != 0 || !written) throw std::runtime_error("cannot write " + partial);
    std::filesystem::rename(partial, outputPath);
}

void writeWholeFile(const std::string& path, const std::vector<std::uint8_t>& bytes)
{
    const std::string partial = partialPath(path);
    std::FILE* out = std::fopen(partial.c_str(), "wb");
    if (out == nullptr) throw std::runtime_error("cannot write " + partial);
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    if (std::fclose(out) != 0 || !written) throw std::runtime_error("cannot write " + partial);
    std::filesystem::rename(partial, path);
}

// The same two pictures for Windows' resource compiler: DEMOBITMAP.bmp and
// DEMOICON.ico beside the script that names them (by their full paths, which
// the compiler reads wherever it runs).
void writeWindowsResources(const std::string& scriptPath, const assetgen::Lettering& lettering)
{
    const std::filesystem::path folder = std::filesystem::absolute(scriptPath).parent_path();
    const std::string bitmap = (folder / "DEMOBITMAP.bmp").generic_string();
    const std::string icon = (folder / "DEMOICON.ico").generic_string();
    writeWholeFile(bitmap, assetgen::bmpFile(assetgen::drawProgramBitmap(lettering), assetgen::programBitmapWidth,
                                             assetgen::programBitmapHeight));
    writeWholeFile(icon, assetgen::icoFile(assetgen::drawProgramIcon(), assetgen::programIconSize));
    const std::string script = "// Drawn by assetgen during the build; do not edit.\n"
                               "DEMOICON ICON \"" + icon + "\"\n"
                               "DEMOBITMAP BITMAP \"" + bitmap + "\"\n";
    writeWholeFile(scriptPath, std::vector<std::uint8_t>(script.begin(), script.end()));
}

int usage()
{
    std::fputs("usage: assetgen build OUTPUT.dat [--fonts FOLDER]\n"
               "       assetgen sheet LIBRARY.dat OUTPUT.png [--fonts FOLDER]\n"
               "       assetgen resources OUTPUT.cpp [--fonts FOLDER]\n"
               "       assetgen windows-resources OUTPUT.rc [--fonts FOLDER]\n",
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
        } else if (args.size() == 2 && args[0] == "resources") {
            writeResources(args[1], assetgen::Lettering(fontFolder));
        } else if (args.size() == 2 && args[0] == "windows-resources") {
            writeWindowsResources(args[1], assetgen::Lettering(fontFolder));
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
