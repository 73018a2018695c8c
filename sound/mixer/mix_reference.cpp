// The plain single-frame reference for every mixing routine: slow, written
// for reading, with every decision taken at run time. Tests hold the tuned
// routines to it bit for bit.

#include <algorithm>
#include <cstring>

#include "sound/mixer/mix_kernels.h"
#include "sound/mixer/sinc_filter.h"

namespace corvid {

namespace {

int32_t readDataValue(const MixJob& job, SampleType type, int32_t frame, int dataChannel)
{
    const int bytesPerFrame = 1 << frameShift(type);
    const int bytesPerValue = is16BitData(type) ? 2 : 1;
    const uint8_t* at = job.source + static_cast<long>(frame) * bytesPerFrame + dataChannel * bytesPerValue;
    if (bytesPerValue == 2) {
        int16_t value;
        std::memcpy(&value, at, 2);
        return value;
    }
    return *at;
}

float decodedValue(const MixJob& job, SampleType type, int32_t frame, int dataChannel)
{
    const int32_t raw = readDataValue(job, type, frame, dataChannel);
    if (is16BitData(type))
        return static_cast<float>(raw);
    if (isMuLawData(type))
        return job.muLawValues[raw];
    return job.byteValues[raw];
}

float floatSample(const MixJob& job, MixFamily family, SampleType type, int dataChannel)
{
    const int32_t frame = job.position >> 16;
    if (isSincFamily(family)) {
        const int phase = (job.position & 0xFFFF) >> sincPhaseShift;
        float values[sincTaps];
        for (int i = 0; i < sincTaps; ++i)
            values[i] = decodedValue(job, type, frame - sincTapsBefore + i, dataChannel);
        return sincSum(job.sincRows + phase * sincRowFloats, sincBlend(job.position), values);
    }
    const float s0 = decodedValue(job, type, frame, dataChannel);
    if (!isInterpolatingFamily(family))
        return s0;
    const float s1 = decodedValue(job, type, frame + job.partnerOffset, dataChannel);
    const int32_t f = job.position & 0xFFFF;
    return (s0 * static_cast<float>(65536 - f) + s1 * static_cast<float>(f)) * (1.0f / 65536.0f);
}

int32_t integerSample(const MixJob& job, SampleType type, int side, int dataChannel)
{
    const int32_t raw = readDataValue(job, type, job.position >> 16, dataChannel);
    if (is16BitData(type))
        return (job.scale[side] * raw) >> 8;
    return job.rows[side][raw];
}

// The channel's resonant low-pass on one side's contribution.
double filtered(MixJob& job, int side, double x)
{
    ResonantFilter& f = *job.filter;
    const double y = (f.input * x + f.feedback2 * f.beforeLast[side]) + f.feedback1 * f.last[side];
    f.beforeLast[side] = f.last[side];
    f.last[side] = y;
    return y;
}

}  // namespace

void referenceMixFrame(MixFamily family, SampleType type, PanCase pan, bool filter, MixJob& job)
{
    const bool stereoData = isStereoData(type);
    const int rightChannel = stereoData ? 1 : 0;
    const int sides = isStereoOutput(family) ? 2 : 1;
    if (isIntegerFamily(family)) {
        int32_t contribution[2];
        if (!isStereoOutput(family)) {
            if (stereoData)
                contribution[0] = (integerSample(job, type, 0, 0) + integerSample(job, type, 0, 1)) >> 1;
            else
                contribution[0] = integerSample(job, type, 0, 0);
        } else {
            contribution[0] = integerSample(job, type, 0, 0);
            const int32_t right = integerSample(job, type, pan == PanCase::normal ? 1 : 0, rightChannel);
            contribution[1] = pan == PanCase::surround ? -right : right;
        }
        auto* out = static_cast<int32_t*>(job.destination);
        for (int side = 0; side < sides; ++side) {
            if (filter) {
                const double y = filtered(job, side, contribution[side]);
                contribution[side] = static_cast<int32_t>(std::clamp(y, -job.filterLimit, job.filterLimit));
            }
            out[side] += contribution[side];
        }
        job.destination = out + sides;
    } else {
        float contribution[2];
        if (!isStereoOutput(family)) {
            if (stereoData)
                contribution[0] = job.gain[0] * floatSample(job, family, type, 0) + job.gain[0] * floatSample(job, family, type, 1);
            else
                contribution[0] = job.gain[0] * floatSample(job, family, type, 0);
        } else {
            contribution[0] = job.gain[0] * floatSample(job, family, type, 0);
            contribution[1] = job.gain[1] * floatSample(job, family, type, rightChannel);
        }
        auto* out = static_cast<float*>(job.destination);
        for (int side = 0; side < sides; ++side) {
            if (filter)
                contribution[side] = static_cast<float>(filtered(job, side, contribution[side]));
            out[side] += contribution[side];
        }
        job.destination = out + sides;
    }
    job.position += job.step;
}

}  // namespace corvid
