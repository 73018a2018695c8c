#include "sound/mixer/mix_kernels.h"

#include "sound/mixer/sinc_filter.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace corvid {

namespace {

// Every routine is one template built from small steps: fetch a data value,
// turn it into a sample value (table, gain, interpolation), work out a
// frame's contribution, add it. The arithmetic per frame is the same in the
// block and the single-frame form, and the same as in the reference.

template <SampleType type>
inline int32_t fetchValue(const uint8_t* source, int32_t frame, int dataChannel)
{
    constexpr ptrdiff_t bytesPerValue = is16BitData(type) ? 2 : 1;
    constexpr ptrdiff_t bytesPerFrame = ptrdiff_t{1} << frameShift(type);
    const uint8_t* at = source + ptrdiff_t{frame} * bytesPerFrame + dataChannel * bytesPerValue;
    if constexpr (is16BitData(type)) {
        int16_t value;
        std::memcpy(&value, at, sizeof value);
        return value;
    } else {
        return *at;
    }
}

template <SampleType type>
inline float floatValue(const MixJob& job, int32_t frame, int dataChannel)
{
    const int32_t raw = fetchValue<type>(job.source, frame, dataChannel);
    if constexpr (is16BitData(type))
        return static_cast<float>(raw);
    else if constexpr (isMuLawData(type))
        return job.muLawValues[raw];
    else
        return job.byteValues[raw];
}

// Four floats in one vector register (GCC and Clang vector extensions:
// SSE on x86-64, four scalars where there is no vector unit).
using Float4 = float __attribute__((vector_size(16)));

// The eight sample values from frame `first` on, in two vectors. On SSE2,
// 8-bit and 16-bit mono data are widened in vector registers (b * 256 -
// 32768 is the byte table's value, exactly); other types and machines go
// through floatValue.
template <SampleType type>
inline void sincFrames(const MixJob& job, int32_t first, int dataChannel, Float4& low, Float4& high)
{
#ifdef __SSE2__
    if constexpr (type == SampleType::pcm8Mono) {
        const __m128i bytes = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(job.source + first));
        const __m128i shorts = _mm_unpacklo_epi8(bytes, _mm_setzero_si128());
        const auto widen = [](__m128i values) {
            return (std::bit_cast<Float4>(_mm_cvtepi32_ps(values)) - 128.0f) * 256.0f;
        };
        low = widen(_mm_unpacklo_epi16(shorts, _mm_setzero_si128()));
        high = widen(_mm_unpackhi_epi16(shorts, _mm_setzero_si128()));
        return;
    } else if constexpr (type == SampleType::pcm16Mono) {
        const __m128i shorts = _mm_loadu_si128(reinterpret_cast<const __m128i*>(job.source + ptrdiff_t{first} * 2));
        // Each value into the upper half of a 32-bit lane, then shifted down with its sign.
        low = std::bit_cast<Float4>(_mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpacklo_epi16(shorts, shorts), 16)));
        high = std::bit_cast<Float4>(_mm_cvtepi32_ps(_mm_srai_epi32(_mm_unpackhi_epi16(shorts, shorts), 16)));
        return;
    }
#endif
    const auto value = [&](int i) { return floatValue<type>(job, first + i, dataChannel); };
    low = Float4{value(0), value(1), value(2), value(3)};
    high = Float4{value(4), value(5), value(6), value(7)};
}

// Linear: s = (s0 * (65536 - f) + s1 * f) / 65536 between a frame and its
// partner. Sinc: the filter row of the fraction over the eight frames
// around the position.
template <MixFamily family, SampleType type>
inline float sampleAt(const MixJob& job, int32_t position, int dataChannel)
{
    const int32_t frame = position >> 16;
    if constexpr (isSincFamily(family)) {
        const float* row = job.sincRows + ((position & 0xFFFF) >> sincPhaseShift) * sincRowFloats;
        Float4 row4[4], low, high;
        std::memcpy(row4, row, sizeof row4);
        sincFrames<type>(job, frame - sincTapsBefore, dataChannel, low, high);
        // The coefficients, the lanes and their sum as in sincSum.
        const float blend = sincBlend(position);
        const Float4 lanes = (row4[0] + blend * row4[2]) * low + (row4[1] + blend * row4[3]) * high;
        return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
    } else if constexpr (isInterpolatingFamily(family)) {
        const int32_t fraction = position & 0xFFFF;
        const float s0 = floatValue<type>(job, frame, dataChannel);
        const float s1 = floatValue<type>(job, frame + job.partnerOffset, dataChannel);
        return (s0 * static_cast<float>(65536 - fraction) + s1 * static_cast<float>(fraction)) * (1.0f / 65536.0f);
    } else {
        return floatValue<type>(job, frame, dataChannel);
    }
}

template <SampleType type>
inline int32_t integerValue(const MixJob& job, int side, int32_t raw)
{
    if constexpr (is16BitData(type))
        return (job.scale[side] * raw) >> 8;
    else
        return job.rows[side][raw];
}

// What one frame adds to each output side. All reads happen here, before
// any store into the mix buffer, so that no store can force a reload.
template <MixFamily family, SampleType type, PanCase pan>
inline void frameContribution(const MixJob& job, int32_t position, auto* contribution)
{
    constexpr int rightChannel = isStereoData(type) ? 1 : 0;
    if constexpr (isIntegerFamily(family)) {
        const int32_t frame = position >> 16;
        const int32_t left = integerValue<type>(job, 0, fetchValue<type>(job.source, frame, 0));
        if constexpr (!isStereoOutput(family)) {
            if constexpr (isStereoData(type))
                contribution[0] = (left + integerValue<type>(job, 0, fetchValue<type>(job.source, frame, 1))) >> 1;
            else
                contribution[0] = left;
        } else {
            constexpr int rightSide = pan == PanCase::normal ? 1 : 0;
            const int32_t right = (rightChannel == 0 && rightSide == 0)
                                      ? left
                                      : integerValue<type>(job, rightSide, fetchValue<type>(job.source, frame, rightChannel));
            contribution[0] = left;
            contribution[1] = pan == PanCase::surround ? -right : right;
        }
    } else {
        const float left = sampleAt<family, type>(job, position, 0);
        if constexpr (!isStereoOutput(family)) {
            if constexpr (isStereoData(type))
                contribution[0] = job.gain[0] * left + job.gain[0] * sampleAt<family, type>(job, position, 1);
            else
                contribution[0] = job.gain[0] * left;
        } else {
            const float right = rightChannel == 0 ? left : sampleAt<family, type>(job, position, rightChannel);
            contribution[0] = job.gain[0] * left;
            contribution[1] = job.gain[1] * right;
        }
    }
}

// Runs `frames` frames of contributions through the resonant low-pass, one
// filter per output side, in place. Integer values are held within the
// job's limit and cut towards zero.
// Unrolled whole, so that the history stays in registers.
template <MixFamily family, uint32_t frames, typename Value>
inline void filterContributions(ResonantFilter& filter, double limit, Value* values)
{
    constexpr uint32_t sides = isStereoOutput(family) ? 2 : 1;
#pragma GCC unroll 8
    for (uint32_t k = 0; k < frames; ++k)
#pragma GCC unroll 2
        for (uint32_t side = 0; side < sides; ++side) {
            Value& value = values[k * sides + side];
            // The last output enters last: each frame waits on it for one multiply and one add.
            const double y = (filter.input * static_cast<double>(value) + filter.feedback2 * filter.beforeLast[side]) +
                             filter.feedback1 * filter.last[side];
            filter.beforeLast[side] = filter.last[side];
            filter.last[side] = y;
            if constexpr (isIntegerFamily(family))
                value = static_cast<int32_t>(std::min(std::max(y, -limit), limit));
            else
                value = static_cast<float>(y);
        }
}

template <MixFamily family, SampleType type, PanCase pan, bool filtered, uint32_t blockSize>
void mixFrames(MixJob& job, uint32_t frames)
{
    using Value = std::conditional_t<isIntegerFamily(family), int32_t, float>;
    constexpr uint32_t outputChannels = isStereoOutput(family) ? 2 : 1;
    // A private copy: stores into the mix buffer cannot alias it, so gains,
    // rows and the source stay in registers.
    const MixJob local = job;
    // The filter's coefficients and history in registers while the routine
    // runs; an unfiltered routine has none to copy in or out.
    [[maybe_unused]] ResonantFilter filter;
    if constexpr (filtered)
        filter = *job.filter;
    auto* out = static_cast<Value*>(job.destination);
    int32_t position = job.position;
    const int32_t step = job.step;
    // A block computes every frame's contribution from the block's start
    // (position + k * step), then adds them all.
    for (; frames >= blockSize; frames -= blockSize) {
        Value block[blockSize * outputChannels];
        // Unrolled, the block lives in registers; left as a loop it goes
        // through the stack and stalls on store forwarding.
#pragma GCC unroll 8
        for (uint32_t k = 0; k < blockSize; ++k)
            frameContribution<family, type, pan>(local, position + static_cast<int32_t>(k) * step, block + k * outputChannels);
        if constexpr (filtered)
            filterContributions<family, blockSize>(filter, local.filterLimit, block);
#pragma GCC unroll 8
        for (uint32_t i = 0; i < blockSize * outputChannels; ++i)
            out[i] += block[i];
        position += static_cast<int32_t>(blockSize) * step;
        out += blockSize * outputChannels;
    }
    for (; frames > 0; --frames) {
        Value single[outputChannels];
        frameContribution<family, type, pan>(local, position, single);
        if constexpr (filtered)
            filterContributions<family, 1>(filter, local.filterLimit, single);
#pragma GCC unroll 2
        for (uint32_t i = 0; i < outputChannels; ++i)
            out[i] += single[i];
        position += step;
        out += outputChannels;
    }
    job.position = position;
    job.destination = out;
    if constexpr (filtered)
        *job.filter = filter;
}

constexpr std::array<SampleType, 6> tableTypes = {
    SampleType::pcm8Mono,   SampleType::pcm16Mono,   SampleType::muLawMono,
    SampleType::pcm8Stereo, SampleType::pcm16Stereo, SampleType::muLawStereo,
};
constexpr int panCaseCount = 3;
constexpr size_t filterCaseCount = 2;  // unfiltered, filtered

constexpr uint32_t blockSizeOf(MixFamily family, SampleType type)
{
    if (isStereoData(type))
        return 1;
    switch (family) {
    case MixFamily::integerMono: return 2;
    case MixFamily::integerStereo: return is16BitData(type) ? 1 : 4;
    case MixFamily::floatMono: return 4;
    default: return 2;
    }
}

// Index: ((family x types + type) x pan cases + pan case) x filter cases + filtered.
template <size_t index>
constexpr MixRoutines tableEntry()
{
    constexpr bool filtered = index % filterCaseCount != 0;
    constexpr size_t variant = index / filterCaseCount;
    constexpr auto family = static_cast<MixFamily>(variant / (tableTypes.size() * panCaseCount));
    constexpr SampleType type = tableTypes[variant / panCaseCount % tableTypes.size()];
    // Only integer stereo has panning variants; elsewhere the gains carry the panning.
    constexpr PanCase pan = family == MixFamily::integerStereo ? static_cast<PanCase>(variant % panCaseCount) : PanCase::normal;
    constexpr uint32_t blockSize = blockSizeOf(family, type);
    return {&mixFrames<family, type, pan, filtered, blockSize>, &mixFrames<family, type, pan, filtered, 1>, blockSize};
}

template <size_t... index>
constexpr auto makeRoutineTable(std::index_sequence<index...>)
{
    return std::array<MixRoutines, sizeof...(index)>{tableEntry<index>()...};
}

constexpr auto routineTable =
    makeRoutineTable(std::make_index_sequence<mixFamilyCount * tableTypes.size() * panCaseCount * filterCaseCount>{});

constexpr size_t typeIndex(SampleType type)
{
    for (size_t i = 0; i < tableTypes.size(); ++i)
        if (tableTypes[i] == type)
            return i;
    return 0;
}

}  // namespace

const MixRoutines& mixRoutines(MixFamily family, SampleType type, PanCase pan, bool filtered)
{
    const size_t variant = (static_cast<size_t>(family) * tableTypes.size() + typeIndex(type)) * panCaseCount +
                           static_cast<size_t>(pan);
    return routineTable[variant * filterCaseCount + (filtered ? 1 : 0)];
}

}  // namespace corvid
