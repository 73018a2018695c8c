#pragma once
// The show's music: the whole piece as an XM module record.

#include "tools/composer/xm_writer.h"

namespace composer {

inline constexpr int songChannels = 12;
inline constexpr int rowsPerPosition = 64;
inline constexpr int rowsPerBar = 16;
// Positions 0..44 are heard; the show stops when position 45 begins.
inline constexpr int heardPositions = 45;
inline constexpr int songPositions = heardPositions + 1;

XmModule composeQorv();

}  // namespace composer
