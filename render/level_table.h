#pragma once
// The brightness table behind every level-scaled drawing: entry i is
// (i × level) >> 8, so level 255 maps 255 to 254 and level 0 maps everything
// to 0. A multiply per channel becomes a lookup, and the table is rebuilt only
// when a different level is asked for, so callers drawing many sprites at one
// level pay for it once.

#include "render/image.h"

#include <array>
#include <cstdint>

namespace render {

class LevelTable {
public:
    // Makes the table hold the given level, rebuilding it only if it held another.
    const LevelTable& setLevel(std::uint8_t level);

    // The level the table holds, or -1 before the first setLevel.
    int level() const { return level_; }
    // How many times the table has been built; lets callers check the rebuild rule.
    std::uint64_t rebuildCount() const { return rebuilds_; }

    std::uint8_t operator[](std::uint8_t channel) const { return entries_[channel]; }

    // The pixel's blue, green and red bytes through the table; the top byte is kept.
    Pixel scale(Pixel pixel) const
    {
        return (pixel & 0xFF000000u) | Pixel{entries_[(pixel >> 16) & 0xFF]} << 16 |
               Pixel{entries_[(pixel >> 8) & 0xFF]} << 8 | entries_[pixel & 0xFF];
    }

private:
    std::array<std::uint8_t, 256> entries_{};
    int level_ = -1;
    std::uint64_t rebuilds_ = 0;
};

// The one table the show shares: the additive blit, the whole-frame fades and
// the scenes' own level-scaled loops all go through it. Main thread only.
LevelTable& levelTable();

}  // namespace render
