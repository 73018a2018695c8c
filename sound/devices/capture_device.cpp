#include "sound/devices/capture_device.h"

#include <algorithm>

#include "sound/core/library.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {

namespace {

constexpr uint32_t captureOutputMode = outputStereo | output16Bit;
constexpr uint32_t captureChunkFrames = 4096;

ErrorCode openCapture(void*, uint32_t, uint32_t outputModeBits)
{
    CaptureDeviceState& s = captureDeviceState();
    if (!s.clock || !s.sink)
        return ErrorCode::invalidDevice;
    uint32_t format = mixOutput16Bit | mixStereo;
    const uint32_t asked = resamplingFormat(outputModeBits);
    if (s.mixing == CaptureMixing::sinc || asked == mixSinc)
        format |= mixSinc;
    else if (s.mixing == CaptureMixing::interpolating || asked == mixInterpolating)
        format |= mixInterpolating;
    else
        format |= s.mixing == CaptureMixing::integer ? mixInteger : mixFloat;
    if (const ErrorCode error = openSharedMixer(captureMixingRate, format); error != ErrorCode::ok)
        return error;
    s.buffer.assign(size_t{captureChunkFrames} * 2, 0);
    s.originTicks = s.clock->counter();
    s.framesMixed = 0;
    s.pendingFrames = 0;
    s.paused = false;
    s.ticks.start(captureMixingRate);
    return ErrorCode::ok;
}

ErrorCode startCapturePass(void*)
{
    CaptureDeviceState& s = captureDeviceState();
    s.pendingFrames = captureFramesFor(s.clock->counter() - s.originTicks) - s.framesMixed;
    return ErrorCode::ok;
}

ErrorCode serviceCapture(void*, bool& callPlayer)
{
    callPlayer = false;
    CaptureDeviceState& s = captureDeviceState();
    if (s.pendingFrames == 0 || s.paused)
        return ErrorCode::ok;
    const auto frames = static_cast<uint32_t>(std::min<uint64_t>(s.pendingFrames, s.ticks.samplesUntilTick));
    for (uint32_t done = 0; done < frames;) {
        const uint32_t chunk = std::min(frames - done, captureChunkFrames);
        if (const ErrorCode error = mixSharedMixer(chunk, s.buffer.data()); error != ErrorCode::ok)
            return error;
        s.sink->writeSound(std::span<const int16_t>(s.buffer.data(), size_t{chunk} * 2));
        done += chunk;
    }
    s.pendingFrames -= frames;
    s.framesMixed += frames;
    callPlayer = s.ticks.consume(frames);
    return ErrorCode::ok;
}

SoundDevice makeCaptureDevice()
{
    SoundDevice device;
    device.outputModes = captureOutputMode;
    device.name = "Capture Sound Device";
    SoundDeviceOperations& ops = device.operations;
    installMixerOperations(ops);
    device.context = &sharedMixer();
    ops.detect = [](void*, bool& found) {
        found = false;  // only ever chosen by the host
        return ErrorCode::ok;
    };
    ops.open = openCapture;
    ops.close = [](void*) { return closeSharedMixer(); };
    ops.suspend = [](void*) {
        captureDeviceState().paused = true;
        return ErrorCode::ok;
    };
    ops.resume = [](void*) {
        captureDeviceState().paused = false;
        return ErrorCode::ok;
    };
    ops.getOutputMode = [](void*, uint32_t& mode) {
        mode = captureOutputMode;
        return ErrorCode::ok;
    };
    ops.setUpdateRate = [](void*, uint32_t centiHertz) {
        captureDeviceState().ticks.setUpdateRate(captureMixingRate, centiHertz);
        return ErrorCode::ok;
    };
    ops.startPass = startCapturePass;
    ops.serviceStep = serviceCapture;
    return device;
}

}  // namespace

uint64_t captureFramesFor(uint64_t ticks)
{
    // Whole seconds apart, so the product cannot overflow in any run.
    const uint64_t seconds = ticks / platform::Clock::ticksPerSecond;
    const uint64_t rest = ticks % platform::Clock::ticksPerSecond;
    return seconds * captureMixingRate + rest * captureMixingRate / platform::Clock::ticksPerSecond;
}

CaptureDeviceState& captureDeviceState()
{
    static CaptureDeviceState state;
    return state;
}

SoundDevice& captureDevice()
{
    static SoundDevice device = makeCaptureDevice();
    return device;
}

}  // namespace corvid
