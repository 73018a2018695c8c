#pragma once
// The mixing routines: they resample one channel's data by 16.16 fixed-point
// stepping, apply its gains and add the result into the mix buffer. The mix
// loop splits every chunk at the channel's next event (loop end, sample end),
// so a routine runs a counted loop with no branch per frame.
//
// A filtered routine passes what the channel adds to each output side
// through the channel's resonant low-pass before adding it; the block form
// works out a block's contributions as the plain form does, then runs them
// through the filter one after another.

#include <cstdint>

#include "sound/core/sound_device.h"
#include "sound/mixer/resonant_filter.h"

namespace corvid {

// One family per (interpolation, output channels, arithmetic). The
// interpolating families are linear; the sinc families band-limited (an
// eight-tap filter, sinc_filter.h). Both work in floating point.
enum class MixFamily : uint8_t {
    integerMono,
    integerStereo,
    floatMono,
    floatStereo,
    interpolatingMono,
    interpolatingStereo,
    sincMono,
    sincStereo,
};
inline constexpr int mixFamilyCount = 8;

// Integer stereo has its own routines for centre panning (one table row for
// both sides) and surround (the right side inverted); the float families fold
// both into their gains.
enum class PanCase : uint8_t { normal, centre, surround };

// What a routine reads and writes. It advances `position` and `destination`
// by the frames it mixes.
struct MixJob {
    const uint8_t* source = nullptr;  // the frame that position 0 refers to
    int32_t position = 0;             // 16.16 frames relative to source
    int32_t step = 0;                 // 16.16 frames per output frame, negative backwards
    int32_t partnerOffset = 1;        // frames from a frame to its interpolation partner
    void* destination = nullptr;      // next mix-buffer frame: int32_t or float, 1 or 2 values
    const int32_t* rows[2] = {};      // integer mode, 8-bit and mu-law data: volume-table row per side
    int32_t scale[2] = {};            // integer mode, 16-bit data: (scale * s) >> 8 per side
    float gain[2] = {};               // float modes: gain per side (surround: right negated)
    const float* byteValues = nullptr;   // float modes: byte b -> b * 256 - 32768
    const float* muLawValues = nullptr;  // float modes: code -> G.711 decoded value
    // Sinc families: the filter rows for the step. The taps of a frame n
    // read frames n - 3 .. n + 4 of the source, all of which must exist.
    const float* sincRows = nullptr;
    // Filtered routines: the channel's filter (coefficients and history),
    // which the routine carries on in place; unfiltered routines never read
    // it. Integer families hold each filtered value within +-filterLimit,
    // so that no sum of channels leaves 32 bits.
    ResonantFilter* filter = nullptr;
    double filterLimit = 0.0;
};

using MixRoutine = void (*)(MixJob& job, uint32_t frames);

struct MixRoutines {
    MixRoutine blocks;    // whole blocks of blockSize frames, then single frames
    MixRoutine single;    // one frame per iteration
    uint32_t blockSize;
};

// The routines for a family, sample type, panning case and filter. The type
// must be one a sample can have (not none).
const MixRoutines& mixRoutines(MixFamily family, SampleType type, PanCase pan, bool filtered);

// The plain reference: one frame, every decision taken at run time. The
// tuned routines must give the same result bit for bit.
void referenceMixFrame(MixFamily family, SampleType type, PanCase pan, bool filtered, MixJob& job);

constexpr bool isStereoOutput(MixFamily family)
{
    return family == MixFamily::integerStereo || family == MixFamily::floatStereo ||
           family == MixFamily::interpolatingStereo || family == MixFamily::sincStereo;
}
constexpr bool isIntegerFamily(MixFamily family)
{
    return family == MixFamily::integerMono || family == MixFamily::integerStereo;
}
constexpr bool isInterpolatingFamily(MixFamily family)
{
    return family == MixFamily::interpolatingMono || family == MixFamily::interpolatingStereo;
}
constexpr bool isSincFamily(MixFamily family)
{
    return family == MixFamily::sincMono || family == MixFamily::sincStereo;
}
constexpr bool isStereoData(SampleType type)
{
    return type == SampleType::pcm8Stereo || type == SampleType::pcm16Stereo || type == SampleType::muLawStereo;
}
constexpr bool is16BitData(SampleType type)
{
    return type == SampleType::pcm16Mono || type == SampleType::pcm16Stereo;
}
constexpr bool isMuLawData(SampleType type)
{
    return type == SampleType::muLawMono || type == SampleType::muLawStereo;
}
// log2 of the bytes per frame.
constexpr uint32_t frameShift(SampleType type)
{
    return (is16BitData(type) ? 1u : 0u) + (isStereoData(type) ? 1u : 0u);
}

}  // namespace corvid
