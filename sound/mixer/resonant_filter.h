#pragma once
// A channel's two-pole resonant low-pass, as IT tunes it from a cutoff and a
// resonance (0..127 each) at the output rate. It runs on what the channel
// adds to each output side: y = input * x + feedback1 * y1 + feedback2 * y2.

#include <array>
#include <cstdint>

namespace corvid {

// Cutoffs are given in 1/256 of IT's step (1/24 octave), so that a filter
// envelope can move them finely: 127 * 256 is the highest a pattern sets.
inline constexpr uint32_t filterCutoffFraction = 256;
inline constexpr uint32_t maximumFilterCutoff = 255 * filterCutoffFraction;
inline constexpr uint32_t maximumFilterResonance = 127;

struct ResonantFilter {
    double input = 1.0;
    double feedback1 = 0.0;
    double feedback2 = 0.0;
    std::array<double, 2> last{};        // per output side: the previous output
    std::array<double, 2> beforeLast{};  // and the one before it
};

// The coefficients for a cutoff (1/256 steps, at most maximumFilterCutoff),
// a resonance (0..127) and a mixing rate; the history is silent. The corner
// is held below a third of the rate, where the filter stays stable at every
// resonance.
ResonantFilter resonantFilterFor(uint32_t cutoff, uint32_t resonance, uint32_t mixingRate);

}  // namespace corvid
