#pragma once
// The show's one pseudo-random sequence: linear congruential, seeded with 1 at
// process start and never reseeded, so the show is the same on every run. The
// scenes that draw from it do so in a fixed order.

#include <cstdint>

namespace host {

struct ShowRandom {
    std::uint32_t seed = 1;

    // 0..32767: seed = seed × 1103515245 + 12345 (mod 2^32), result (seed >> 16) & 32767.
    int rand()
    {
        seed = seed * 1103515245u + 12345u;
        return static_cast<int>((seed >> 16) & 32767u);
    }
};

extern ShowRandom showRandom;

}  // namespace host
