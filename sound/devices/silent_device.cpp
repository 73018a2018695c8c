#include "sound/devices/silent_device.h"

#include <algorithm>

#include "sound/mixer/mixer_device.h"

namespace corvid {

namespace {

constexpr uint32_t silentMixerFormat = mixOutput16Bit | mixMono;
constexpr uint32_t silentBytesPerFrame = 2;
constexpr uint32_t silentOutputMode = outputMono | output16Bit;

ErrorCode openSilent(void*, uint32_t, uint32_t)
{
    SilentDeviceState& s = silentDeviceState();
    if (const ErrorCode error = openSharedMixer(silentMixingRate, silentMixerFormat); error != ErrorCode::ok)
        return error;
    // The mixer's own buffer size: a quarter of it is mixed at a time.
    s.scratch.assign(size_t{sharedMixer().mixBufferFrames()} * 4, 0);
    s.ticks.start(silentMixingRate);
    s.paused = false;
    s.pendingFrames = 0;
    s.lastPassMs = deviceMilliseconds();
    return ErrorCode::ok;
}

ErrorCode startSilentPass(void*)
{
    SilentDeviceState& s = silentDeviceState();
    const uint64_t now = deviceMilliseconds();
    s.pendingFrames = silentFramesFor(now - s.lastPassMs);
    s.lastPassMs = now;
    return ErrorCode::ok;
}

ErrorCode serviceSilent(void*, bool& callPlayer)
{
    callPlayer = false;
    SilentDeviceState& s = silentDeviceState();
    if (s.pendingFrames == 0 || s.paused)
        return ErrorCode::ok;
    const uint32_t frames = std::min(s.pendingFrames, s.ticks.samplesUntilTick);
    s.pendingFrames -= frames;
    const auto chunkFrames = static_cast<uint32_t>(s.scratch.size() / 4 / silentBytesPerFrame);
    for (uint32_t done = 0; done < frames;) {
        const uint32_t chunk = std::min(frames - done, chunkFrames);
        if (const ErrorCode error = mixSharedMixer(chunk, s.scratch.data()); error != ErrorCode::ok)
            return error;
        done += chunk;
    }
    callPlayer = s.ticks.consume(frames);
    return ErrorCode::ok;
}

SoundDevice makeSilentDevice()
{
    SoundDevice device;
    device.outputModes = silentOutputMode;
    device.name = "Mixing No Sound Sound Device";
    SoundDeviceOperations& ops = device.operations;
    installMixerOperations(ops);
    device.context = &sharedMixer();
    ops.detect = [](void*, bool& found) {
        found = true;
        return ErrorCode::ok;
    };
    ops.open = openSilent;
    ops.close = [](void*) { return closeSharedMixer(); };
    ops.suspend = [](void*) {
        silentDeviceState().paused = true;
        return ErrorCode::ok;
    };
    ops.resume = [](void*) {
        silentDeviceState().paused = false;
        return ErrorCode::ok;
    };
    ops.getOutputMode = [](void*, uint32_t& mode) {
        mode = silentOutputMode;
        return ErrorCode::ok;
    };
    ops.setUpdateRate = [](void*, uint32_t centiHertz) {
        silentDeviceState().ticks.setUpdateRate(silentMixingRate, centiHertz);
        return ErrorCode::ok;
    };
    ops.startPass = startSilentPass;
    ops.serviceStep = serviceSilent;
    return device;
}

}  // namespace

uint32_t silentFramesFor(uint64_t elapsedMs)
{
    const uint64_t counted = elapsedMs <= 9 ? 0 : std::min<uint64_t>(elapsedMs, 2000);
    return static_cast<uint32_t>(counted * silentMixingRate / 1000);
}

SilentDeviceState& silentDeviceState()
{
    static SilentDeviceState state;
    return state;
}

SoundDevice& silentDevice()
{
    static SoundDevice device = makeSilentDevice();
    return device;
}

}  // namespace corvid
