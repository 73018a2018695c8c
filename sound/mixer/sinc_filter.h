#pragma once
// The band-limited resampler's filter: a Kaiser-windowed sinc of eight taps,
// tabulated for 1024 fractional positions (phases). A frame at position
// p = n + f (n whole, f the 16-bit fraction) is the sum over taps i = 0..7 of
// row(f)[i] * data[n - 3 + i].
//
// Above a step of 1 the output rate cannot carry the sample's highest
// frequencies, so the cut-off falls with the step: one table per band of
// steps, its cut-off set for the band's largest step.

#include <cstdint>

namespace corvid {

inline constexpr int sincTaps = 8;
inline constexpr int sincTapsBefore = 3;  // taps before the frame a position lies in
inline constexpr int sincPhaseBits = 10;
inline constexpr int sincPhaseShift = 16 - sincPhaseBits;

// The rows of the table for a 16.16 step (either sign): sincTaps floats per
// phase, phase = fraction >> sincPhaseShift. Every row sums to 1.
const float* sincRows(int32_t step);

// The filter itself at a distance x (frames, |x| < 4) from the position, for
// the table that serves `step`: what the rows hold at the centres of their
// phases, before each row is scaled to sum 1.
double sincKernel(double x, int32_t step);

// One filtered value: the taps in pairs four apart, the pairs added as two
// halves, the order in which four-wide vector units add them.
inline float sincSum(const float* row, const float* values)
{
    float lanes[4];
    for (int i = 0; i < 4; ++i)
        lanes[i] = row[i] * values[i] + row[i + 4] * values[i + 4];
    return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
}

}  // namespace corvid
