// The plain single-frame reference for every mixing routine: slow, written
// for reading, with every decision taken at run time. Tests hold the tuned
// routines to it bit for bit.

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

}  // namespace

void referenceMixFrame(MixFamily family, SampleType type, PanCase pan, MixJob& job)
{
    const bool stereoData = isStereoData(type);
    const int rightChannel = stereoData ? 1 : 0;
    if (isIntegerFamily(family)) {
        auto* out = static_cast<int32_t*>(job.destination);
        if (!isStereoOutput(family)) {
            if (stereoData)
                out[0] += (integerSample(job, type, 0, 0) + integerSample(job, type, 0, 1)) >> 1;
            else
                out[0] += integerSample(job, type, 0, 0);
            job.destination = out + 1;
        } else {
            out[0] += integerSample(job, type, 0, 0);
            const int32_t right = integerSample(job, type, pan == PanCase::normal ? 1 : 0, rightChannel);
            out[1] += pan == PanCase::surround ? -right : right;
            job.destination = out + 2;
        }
    } else {
        auto* out = static_cast<float*>(job.destination);
        if (!isStereoOutput(family)) {
            if (stereoData)
                out[0] += job.gain[0] * floatSample(job, family, type, 0) + job.gain[0] * floatSample(job, family, type, 1);
            else
                out[0] += job.gain[0] * floatSample(job, family, type, 0);
            job.destination = out + 1;
        } else {
            out[0] += job.gain[0] * floatSample(job, family, type, 0);
            out[1] += job.gain[1] * floatSample(job, family, type, rightChannel);
            job.destination = out + 2;
        }
    }
    job.position += job.step;
}

}  // namespace corvid
