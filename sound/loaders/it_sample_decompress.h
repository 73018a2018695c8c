#pragma once
// Decompression of IT 2.14 / 2.15 compressed samples: blocks of a 16-bit
// byte count and an LSB-first bit stream of variable-width deltas (one
// integration for 2.14, two for 2.15).

#include <cstdint>
#include <span>
#include <vector>

#include "sound/core/error_code.h"

namespace corvid {

// Decodes `frames` samples from `stored` (starting at its first block) into
// `out`: unsigned 8-bit bytes, or signed 16-bit little-endian pairs. Fails
// with 29 when the blocks run past `stored`, 16 when a bit width is out of
// range.
ErrorCode decompressItSample(std::span<const uint8_t> stored, uint32_t frames, bool sixteenBit, bool doubleDelta,
                             std::vector<uint8_t>& out);

}  // namespace corvid
