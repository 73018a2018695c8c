#pragma once
// Reads a PNG file written by a capture back into 0x00RRGGBB pixels; empty
// when the file cannot be read.

#include <png.h>

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

inline std::vector<std::uint32_t> readPng(const std::string& path, int* width = nullptr, int* height = nullptr)
{
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str()))
        return {};
    image.format = PNG_FORMAT_BGRA;
    std::vector<std::uint32_t> pixels(static_cast<std::size_t>(image.width) * image.height);
    png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr);
    if (width != nullptr)
        *width = static_cast<int>(image.width);
    if (height != nullptr)
        *height = static_cast<int>(image.height);
    for (auto& p : pixels)
        p &= 0x00FFFFFF;
    return pixels;
}

}  // namespace testsupport
