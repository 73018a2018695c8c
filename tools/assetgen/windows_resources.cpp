#include "tools/assetgen/windows_resources.h"

#include <cstddef>

namespace assetgen {

namespace {

void putLe(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// BITMAPINFOHEADER for uncompressed rows of `bits` per pixel; an icon's
// header counts its colour rows and its mask rows together.
void putInfoHeader(std::vector<std::uint8_t>& out, int width, int rows, int bits, std::uint32_t imageBytes)
{
    putLe(out, 40, 4);
    putLe(out, static_cast<std::uint32_t>(width), 4);
    putLe(out, static_cast<std::uint32_t>(rows), 4);  // positive: the bottom row first
    putLe(out, 1, 2);
    putLe(out, static_cast<std::uint32_t>(bits), 2);
    putLe(out, 0, 4);  // BI_RGB
    putLe(out, imageBytes, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
    putLe(out, 0, 4);
}

// Rows bottom to top, blue, green, red (and a byte more for 32 bits), each
// row padded to four bytes.
void putRows(std::vector<std::uint8_t>& out, const std::vector<data::Pixel>& pixels, int width, int height, int bits)
{
    const int bytesPerPixel = bits / 8;
    const int padding = (4 - width * bytesPerPixel % 4) % 4;
    for (int y = height - 1; y >= 0; --y) {
        for (int x = 0; x < width; ++x) {
            const data::Pixel p = pixels[static_cast<std::size_t>(y) * width + x];
            out.push_back(static_cast<std::uint8_t>(p));
            out.push_back(static_cast<std::uint8_t>(p >> 8));
            out.push_back(static_cast<std::uint8_t>(p >> 16));
            if (bytesPerPixel == 4)
                out.push_back(0xFF);
        }
        out.insert(out.end(), static_cast<std::size_t>(padding), 0);
    }
}

}  // namespace

std::vector<std::uint8_t> bmpFile(const std::vector<data::Pixel>& pixels, int width, int height)
{
    const auto rowBytes = static_cast<std::uint32_t>((width * 3 + 3) / 4 * 4);
    const std::uint32_t imageBytes = rowBytes * static_cast<std::uint32_t>(height);
    std::vector<std::uint8_t> out{'B', 'M'};
    putLe(out, 14 + 40 + imageBytes, 4);
    putLe(out, 0, 4);
    putLe(out, 14 + 40, 4);
    putInfoHeader(out, width, height, 24, imageBytes);
    putRows(out, pixels, width, height, 24);
    return out;
}

std::vector<std::uint8_t> icoFile(const std::vector<data::Pixel>& pixels, int size)
{
    const auto colourBytes = static_cast<std::uint32_t>(size * size * 4);
    const auto maskRowBytes = static_cast<std::uint32_t>((size + 31) / 32 * 4);
    const std::uint32_t imageBytes = 40 + colourBytes + maskRowBytes * static_cast<std::uint32_t>(size);
    std::vector<std::uint8_t> out;
    putLe(out, 0, 2);
    putLe(out, 1, 2);  // an icon
    putLe(out, 1, 2);  // one image
    out.push_back(static_cast<std::uint8_t>(size));
    out.push_back(static_cast<std::uint8_t>(size));
    putLe(out, 0, 2);  // no palette
    putLe(out, 1, 2);
    putLe(out, 32, 2);
    putLe(out, imageBytes, 4);
    putLe(out, 6 + 16, 4);
    putInfoHeader(out, size, 2 * size, 32, colourBytes);
    putRows(out, pixels, size, size, 32);
    out.insert(out.end(), maskRowBytes * static_cast<std::size_t>(size), 0);  // the mask: nothing transparent
    return out;
}

}  // namespace assetgen
