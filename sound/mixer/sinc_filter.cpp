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

double kernelForBand(double x, size_t band)
{
    if (std::fabs(x) >= halfWidth)
        return 0;
    const double cutoff = baseCutoff / bandStep(band);
    const double r = x / halfWidth;
    const double window = besselI0(kaiserBeta * std::sqrt(1 - r * r)) / besselI0(kaiserBeta);
    const double sinc = x == 0 ? 2 * cutoff : std::sin(2 * M_PI * cutoff * x) / (M_PI * x);
    return sinc * window;
}

using Table = std::array<float, size_t{phaseCount} * sincRowFloats>;

// The eight coefficients at fraction `fraction` (0 .. 1): tap i sits at
// distance (i - 3) - fraction from the position. Scaled to sum 1.
std::array<double, sincTaps> coefficients(double fraction, size_t band)
{
    std::array<double, sincTaps> taps;
    double sum = 0;
    for (int i = 0; i < sincTaps; ++i)
        sum += taps[i] = kernelForBand(i - sincTapsBefore - fraction, band);
    for (double& tap : taps)
        tap /= sum;
    return taps;
}

std::unique_ptr<Table> buildTable(size_t band)
{
    auto table = std::make_unique<Table>();
    for (int phase = 0; phase < phaseCount; ++phase) {
        const std::array<double, sincTaps> here = coefficients(double(phase) / phaseCount, band);
        const std::array<double, sincTaps> next = coefficients(double(phase + 1) / phaseCount, band);
        float* row = table->data() + size_t(phase) * sincRowFloats;
        for (int i = 0; i < sincTaps; ++i) {
            row[i] = static_cast<float>(here[i]);
            row[sincTaps + i] = static_cast<float>(next[i]) - row[i];
        }
    }
    return table;
}

// Built once, on first use; constant afterwards.
struct SincTables {
    std::array<std::unique_ptr<Table>, bandCount> bands;
    SincTables()
    {
        for (size_t band = 0; band < bands.size(); ++band)
            bands[band] = buildTable(band);
    }
};

const SincTables& sincTables()
{
    static const SincTables tables;
    return tables;
}

}  // namespace

const float* sincRows(int32_t step) { return sincTables().bands[bandFor(step)]->data(); }

double sincKernel(double x, int32_t step) { return kernelForBand(x, bandFor(step)); }

}  // namespace corvid
