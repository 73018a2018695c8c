#include "platform/capture.h"

#include <algorithm>

namespace platform {

void enlargePicture(const std::uint32_t* pixels, int width, int height, int scale, std::vector<std::uint32_t>& enlarged)
{
    const std::size_t wide = static_cast<std::size_t>(width) * scale;
    enlarged.resize(wide * height * scale);
    for (int y = 0; y < height; ++y) {
        std::uint32_t* row = enlarged.data() + static_cast<std::size_t>(y) * scale * wide;
        const std::uint32_t* source = pixels + static_cast<std::size_t>(y) * width;
        for (std::size_t x = 0; x < wide; ++x)
            row[x] = source[x / static_cast<std::size_t>(scale)];
        for (int copy = 1; copy < scale; ++copy)
            std::copy(row, row + wide, row + copy * wide);
    }
}

}  // namespace platform
