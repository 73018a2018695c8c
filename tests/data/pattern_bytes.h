#pragma once
// Bytes that differ from one offset to the next, for files whose contents
// must come back exactly.

#include <cstddef>
#include <vector>

namespace data::testing {

inline std::vector<std::byte> patternBytes(std::size_t count, unsigned seed = 1)
{
    std::vector<std::byte> bytes(count);
    for (std::size_t i = 0; i < count; ++i) bytes[i] = std::byte((i * 131 + seed * 7) & 0xFF);
    return bytes;
}

}  // namespace data::testing
