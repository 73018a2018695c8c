#pragma once
// The band-limited resampler's filter: a Kaiser-windowed sinc of eight taps.
// A frame at position p = n + f (n whole, f the 16-bit fraction) is the sum
// over taps i = 0..7 of c[i] * data[n - 3 + i]. The coefficients c are
// tabulated for 256 phases (the top 8 bits of f) and blended linearly
// towards the next phase by the low 8 bits, which keeps the error of
// rounding the position far below that of the filter itself.
//
// Above a step of 1 the output rate cannot carry the sample's highest
// frequencies, so the cut-off falls with the step: one table per band of
// steps a semitone wide, its cut-off set for the band's largest step.

#include <cstdint>

namespace corvid {

inline constexpr int sincTaps = 8;
inline constexpr int sincTapsBefore = 3;  // taps before the frame a position lies in
inline constexpr int sincPhaseBits = 8;
inline constexpr int sincPhaseShift = 16 - sincPhaseBits;
// A row: the eight coefficients at the phase's start, then their change up
// to the next phase's.
inline constexpr int sincRowFloats = 2 * sincTaps;

// The rows of the table for a 16.16 step (either sign), one per phase,
// phase = fraction >> sincPhaseShift. Every row's coefficients sum to 1.
const float* sincRows(int32_t step);

// How far the fraction lies from its phase's start towards the next, 0 .. 1.
inline float sincBlend(int32_t position)
{
    return static_cast<float>(position & ((1 << sincPhaseShift) - 1)) * (1.0f / (1 << sincPhaseShift));
}

// One filtered value: the blended coefficients times the values, the taps
// in pairs four apart, the pairs added as two halves: the order in which
// four-wide vector units add them.
inline float sincSum(const float* row, float blend, const float* values)
{
    float lanes[4];
    for (int i = 0; i < 4; ++i)
        lanes[i] = (row[i] + blend * row[sincTaps + i]) * values[i] +
                   (row[i + 4] + blend * row[sincTaps + i + 4]) * values[i + 4];
    return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
}

}  // namespace corvid
