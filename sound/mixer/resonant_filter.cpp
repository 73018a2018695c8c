#include "sound/mixer/resonant_filter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace corvid {

// The corner is 110 Hz x 2^(0.25 + cutoff / 24); the resonance damps by
// 10^(-resonance x 24 / 128 / 20), down to about 0.065 at 127. With
// r = rate / (2 pi corner), d = damping x (r + 1) - 1 and e = r^2, the
// output is x / (1 + d + e) plus the last two outputs weighted by
// (d + 2e) / (1 + d + e) and -e / (1 + d + e).
//
// The poles leave the unit circle when 2d + 4e + 1 < 0, which the most
// resonant setting reaches once r falls below about 0.45 (a corner above
// 0.35 of the rate: a high cutoff at a low output rate). Holding r at 0.5 or
// more keeps every setting stable and leaves every corner IT can set below
// 16 kHz of output rate untouched.
ResonantFilter resonantFilterFor(uint32_t cutoff, uint32_t resonance, uint32_t mixingRate)
{
    const double steps = static_cast<double>(std::min(cutoff, maximumFilterCutoff)) / filterCutoffFraction;
    const double corner = 110.0 * std::exp2(0.25 + steps / 24.0);
    const double damping = std::pow(10.0, -static_cast<double>(std::min(resonance, maximumFilterResonance)) * 24.0 / 128.0 / 20.0);
    const double r = std::max(static_cast<double>(mixingRate) / (2.0 * std::numbers::pi * corner), 0.5);
    const double d = damping * (r + 1.0) - 1.0;
    const double e = r * r;
    const double denominator = 1.0 + d + e;
    ResonantFilter filter;
    filter.input = 1.0 / denominator;
    filter.feedback1 = (d + e + e) / denominator;
    filter.feedback2 = -e / denominator;
    return filter;
}

}  // namespace corvid
