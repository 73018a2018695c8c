#include "render/level_table.h"

namespace render {

const LevelTable& LevelTable::setLevel(std::uint8_t level)
{
    if (level_ == level)
        return *this;
    for (unsigned i = 0; i < entries_.size(); ++i)
        entries_[i] = static_cast<std::uint8_t>((i * level) >> 8);
    level_ = level;
    ++rebuilds_;
    return *this;
}

LevelTable& levelTable()
{
    static LevelTable shared;
    return shared;
}

}  // namespace render
