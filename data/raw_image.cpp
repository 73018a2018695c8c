#include "data/raw_image.h"

#include <string>

namespace data {

bool decodeRawImage(std::span<const std::byte> bytes, std::span<Pixel> destination)
{
    if (bytes.size() / 3 < destination.size()) return false;
    const std::byte* source = bytes.data();
    for (Pixel& pixel : destination) {
        pixel = std::to_integer<Pixel>(source[0]) << 16 | std::to_integer<Pixel>(source[1]) << 8 |
                std::to_integer<Pixel>(source[2]);
        source += 3;
    }
    return true;
}

std::vector<std::byte> encodeRawImage(std::span<const Pixel> pixels)
{
    std::vector<std::byte> bytes;
    bytes.reserve(pixels.size() * 3);
    for (const Pixel pixel : pixels) {
        bytes.push_back(static_cast<std::byte>(pixel >> 16));
        bytes.push_back(static_cast<std::byte>(pixel >> 8));
        bytes.push_back(static_cast<std::byte>(pixel));
    }
    return bytes;
}

Status readRawImage(DataLibrary& library, const PictureAsset& picture, std::span<Pixel> destination)
{
    const std::string what = library.path() + ": entry \"" + std::string(picture.name) + "\"";
    if (picture.width <= 0 || picture.height <= 0 || destination.size() != picture.pixelCount()) {
        return fail(what + ": the destination does not hold " + std::to_string(picture.width) +
                    " x " + std::to_string(picture.height) + " pixels");
    }
    const auto bytes = library.readEntry(picture.name);
    if (!bytes) return fail(bytes.error());
    if (!decodeRawImage(*bytes, destination)) {
        return fail(what + " holds " + std::to_string(bytes->size()) + " bytes, a " +
                    std::to_string(picture.width) + " x " + std::to_string(picture.height) +
                    " picture needs " + std::to_string(picture.byteSize()));
    }
    return Done{};
}

Loaded<std::vector<Pixel>> readRawImage(DataLibrary& library, const PictureAsset& picture)
{
    std::vector<Pixel> pixels(picture.width > 0 && picture.height > 0 ? picture.pixelCount() : 0);
    if (auto read = readRawImage(library, picture, pixels); !read) return fail(read.error());
    return pixels;
}

}  // namespace data
