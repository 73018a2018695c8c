#include "sound/mixer/sinc_filter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <memory>

namespace corvid {

namespace {

constexpr int phaseCount = 1 << sincPhaseBits;
constexpr double halfWidth = sincTaps / 2;
// Kaiser window shape and the cut-off at steps up to 1, in cycles per frame:
// all the images of a tone up to an eighth of the sample rate together stay
// about 85 dB below it (up to a quarter, 64 dB), and the response is 3 dB
// down at 0.36.
constexpr double kaiserBeta = 9.0;
constexpr double baseCutoff = 0.42;

// One table per semitone of step from 1 up to about 6, each cut for the
// largest step it serves: a table cut for a step well above the one it
// plays (a half or a third above, as whole-number bands would be) held back
// the top of what the output carries by several dB.
constexpr int bandsPerOctave = 12;
constexpr size_t bandCount = 32;  // the last serves steps from 2^(30/12) on

double bandStep(size_t band) { return std::exp2(static_cast<double>(band) / bandsPerOctave); }

double besselI0(double x)
{
    double sum = 1, term = 1;
    for (int k = 1; k < 40; ++k) {
        term *= (x / (2 * k)) * (x / (2 * k));
        sum += term;
    }
    return sum;
}

size_t bandFor(int32_t step)
{
    const double frames = std::abs(static_cast<double>(step)) / 65536.0;
    if (frames <= 1)
        return 0;
    return std::min(bandCount - 1, static_cast<size_t>(std::ceil(bandsPerOctave * std::log2(frames))));
}

using Table = std::array<float, size_t{phaseCount} * sincRowFloats>;
using Taps = std::array<double, sincTaps>;
// The eight coefficients at each phase's start and at the end of the last
// phase (the next fraction's 0).
using PhaseTaps = std::array<Taps, phaseCount + 1>;

// Tap i sits at distance (i - 3) - fraction from the position.
double tapDistance(int tap, int phase) { return tap - sincTapsBefore - double(phase) / phaseCount; }

// The window is the same for every band: worked out once.
PhaseTaps kaiserWindows()
{
    PhaseTaps windows;
    for (int phase = 0; phase <= phaseCount; ++phase)
        for (int i = 0; i < sincTaps; ++i) {
            const double r = tapDistance(i, phase) / halfWidth;
            windows[phase][i] = std::fabs(r) >= 1 ? 0 : besselI0(kaiserBeta * std::sqrt(1 - r * r)) / besselI0(kaiserBeta);
        }
    return windows;
}

std::unique_ptr<Table> buildTable(size_t band, const PhaseTaps& windows)
{
    const double cutoff = baseCutoff / bandStep(band);
    PhaseTaps taps;
    for (int phase = 0; phase <= phaseCount; ++phase) {
        double sum = 0;
        for (int i = 0; i < sincTaps; ++i) {
            const double x = tapDistance(i, phase);
            const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * M_PI * cutoff * x) / (M_PI * x);
            sum += taps[phase][i] = sinc * windows[phase][i];
        }
        for (double& tap : taps[phase])
            tap /= sum;  // each row sums to 1
    }
    auto table = std::make_unique<Table>();
    for (int phase = 0; phase < phaseCount; ++phase) {
        float* row = table->data() + size_t(phase) * sincRowFloats;
        for (int i = 0; i < sincTaps; ++i) {
            row[i] = static_cast<float>(taps[phase][i]);
            row[sincTaps + i] = static_cast<float>(taps[phase + 1][i]) - row[i];
        }
    }
    return table;
}

// Built once, on first use; constant afterwards.
struct SincTables {
    std::array<std::unique_ptr<Table>, bandCount> bands;
    SincTables()
    {
        const PhaseTaps windows = kaiserWindows();
        for (size_t band = 0; band < bands.size(); ++band)
            bands[band] = buildTable(band, windows);
    }
};

const SincTables& sincTables()
{
    static const SincTables tables;
    return tables;
}

}  // namespace

const float* sincRows(int32_t step) { return sincTables().bands[bandFor(step)]->data(); }

}  // namespace corvid
