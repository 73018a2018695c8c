#pragma once
// Sine and cosine of the show's byte angles: 256 steps per turn, entry i for
// the angle i × π / 128.

#include <array>

namespace host {

struct SineTable {
    std::array<float, 256> sinTable{};
    std::array<float, 256> cosTable{};
};

// The angle is (i × 3.14159265358979) × 0.0078125 in extended precision, so
// entries that are 0 in theory hold tiny values (cosTable[64] ≈ 1.6e-15).
SineTable buildSineTable();

}  // namespace host
