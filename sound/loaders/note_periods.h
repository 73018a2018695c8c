#pragma once
// The Amiga note periods shared by the MOD loader (period -> note) and the
// player (note -> period): six octaves, 1712 (note 0) down to 28 (note 71).
// Octaves 1..3 (856..113) are the classic range; 0, 4 and 5 are extended.

#include <array>
#include <cstdint>

namespace corvid {

inline constexpr std::array<int32_t, 72> amigaNotePeriods = {
    1712, 1616, 1524, 1440, 1356, 1280, 1208, 1140, 1076, 1016, 960, 907,
    856,  808,  762,  720,  678,  640,  604,  570,  538,  508,  480, 453,
    428,  404,  381,  360,  339,  320,  302,  285,  269,  254,  240, 226,
    214,  202,  190,  180,  170,  160,  151,  143,  135,  127,  120, 113,
    107,  101,  95,   90,   85,   80,   75,   71,   67,   63,   60,  56,
    53,   50,   47,   45,   42,   40,   37,   35,   33,   31,   30,  28};

}  // namespace corvid
