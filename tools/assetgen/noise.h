#pragma once
// Deterministic value noise: an integer hash on a lattice, smoothly
// interpolated. A lattice period makes the noise tile (0 = no period).

#include <cstdint>

namespace assetgen {

// 0..1 from a lattice point and a seed.
float latticeValue(int x, int y, std::uint32_t seed);
// Smooth noise 0..1 at (x, y) in lattice units.
float valueNoise(float x, float y, std::uint32_t seed, int periodX = 0, int periodY = 0);
// Octaves of valueNoise, each at twice the frequency and half the weight; 0..1.
float fractalNoise(float x, float y, int octaves, std::uint32_t seed, int periodX = 0, int periodY = 0);

}  // namespace assetgen
