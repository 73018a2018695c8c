#include "sound/devices/direct_sound_device.h"

#include <algorithm>

#include "sound/core/library.h"
#include "sound/mixer/mixer_device.h"

namespace corvid {

namespace {

ErrorCode detectDirectSound(void*, bool& found)
{
    found = false;
    const OptionValues& options = libraryCore().options;
    DirectSoundDeviceState& s = directSoundDeviceState();
    const int32_t usage = options.get(Option::directSoundUsage);
    if (usage == directSoundUnused)
        return ErrorCode::ok;
    if (options.get(Option::directSoundWindow) == 0)
        return ErrorCode::noWindowHandle;
    s.window = options.get(Option::directSoundWindow);
    if (options.get(Option::directSoundObject) != 0 || usage == directSoundAlways) {
        found = true;
        return ErrorCode::ok;
    }
    if (s.neverUse)
        return ErrorCode::ok;
    found = platform::soundBufferAvailable();
    return ErrorCode::ok;
}

void releaseBuffer(DirectSoundDeviceState& s)
{
    s.buffer.stop();
    s.buffer.release();
}

ErrorCode setUpBuffer(DirectSoundDeviceState& s)
{
    const OptionValues& options = libraryCore().options;
    s.window = options.get(Option::directSoundWindow);
    if (s.window == 0)
        return ErrorCode::noWindowHandle;
    // The buffer layer has no primary buffer to write to, so the write-primary
    // mode always falls back to a secondary buffer, as on a driver refusing it.
    s.writePrimary = false;
    s.emulated = false;
    const int32_t ms = options.get(s.emulated ? Option::bufferLength : Option::directSoundBufferLength);
    s.bufferSize = directSoundBufferBytes(s.bytesPerFrame, s.mixingRate, ms);
    s.writePosition = 0;
    s.lastPlayPosition = 0;
    s.safetyGap = directSoundSafetyGap;
    s.stallTimerSet = false;
    s.foreground = false;
    platform::WaveFormat format;
    format.channels = (s.mode & outputStereo) ? 2 : 1;
    format.rate = static_cast<int>(s.mixingRate);
    format.bits = (s.mode & output16Bit) ? 16 : 8;
    if (const int result = s.buffer.create(format, s.bufferSize, s.window); result != platform::waveResult::ok) {
        s.buffer.release();
        return soundBufferError(result);
    }
    if (const int result = s.buffer.playLooping(); result != platform::waveResult::ok) {
        s.buffer.release();
        return soundBufferError(result);
    }
    return ErrorCode::ok;
}

ErrorCode openDirectSound(void*, uint32_t rate, uint32_t outputModeBits)
{
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    s.suspended = false;
    s.mixingRate = rate;
    const bool mono = (outputModeBits & outputMono) != 0;
    const bool eightBit = (outputModeBits & output8Bit) != 0;
    s.mode = (mono ? outputMono : outputStereo) | (eightBit ? output8Bit : output16Bit);
    s.mixerFormat = (mono ? mixMono : mixStereo) | (eightBit ? mixOutput8Bit : mixOutput16Bit);
    s.bytesPerFrame = (mono ? 1u : 2u) * (eightBit ? 1u : 2u);
    s.mixerFormat |= resamplingFormat(outputModeBits);
    if (const ErrorCode error = setUpBuffer(s); error != ErrorCode::ok)
        return error;
    if (const ErrorCode error = openSharedMixer(s.mixingRate, s.mixerFormat); error != ErrorCode::ok) {
        releaseBuffer(s);
        return error;
    }
    s.ticks.start(s.mixingRate);
    return ErrorCode::ok;
}

ErrorCode suspendDirectSound(void*)
{
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    s.suspended = true;
    releaseBuffer(s);
    return ErrorCode::ok;
}

ErrorCode closeDirectSound(void*)
{
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    if (const ErrorCode error = closeSharedMixer(); error != ErrorCode::ok)
        return error;
    if (!s.suspended)
        releaseBuffer(s);
    return ErrorCode::ok;
}

ErrorCode resumeDirectSound(void*)
{
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    const ErrorCode error = setUpBuffer(s);
    if (error == ErrorCode::ok)
        s.suspended = false;
    return error;
}

ErrorCode startDirectSoundPass(void*)
{
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    if (s.suspended)
        return ErrorCode::ok;
    uint32_t play = 0, write = 0;
    if (const int result = s.buffer.positions(play, write); result != platform::waveResult::ok)
        return soundBufferError(result);
    s.lastPlayPosition = play;
    return ErrorCode::ok;
}

ErrorCode restartBuffer(DirectSoundDeviceState& s)
{
    if (const int result = s.buffer.restore(); result != platform::waveResult::ok)
        return soundBufferError(result);
    return soundBufferError(s.buffer.playLooping());
}

// No room to write: a buffer whose play position has not moved for a second
// while the show's window is in front is restarted. The buffer layer has no
// window focus, so the remembered window always counts as in front.
void handleStall(DirectSoundDeviceState& s)
{
    const uint64_t now = deviceMilliseconds();
    if (!s.foreground) {
        s.foreground = true;
    } else if (!s.stallTimerSet || s.stallSinceMs > now) {
        s.stallTimerSet = true;
        s.stallSinceMs = now;
    } else if (now - s.stallSinceMs > stallRestoreMs) {
        restartBuffer(s);
        s.stallTimerSet = false;
    }
}

ErrorCode serviceDirectSound(void*, bool& callPlayer)
{
    callPlayer = false;
    DirectSoundDeviceState& s = directSoundDeviceState();
    std::lock_guard guard(s.lock);
    if (s.suspended)
        return ErrorCode::ok;
    uint32_t freeBytes = directSoundFreeBytes(s.lastPlayPosition, s.writePosition, s.bufferSize, s.safetyGap);
    if (freeBytes != 0)
        s.stallTimerSet = false;
    else
        handleStall(s);
    uint32_t frames = freeBytes / s.bytesPerFrame;
    while (frames != 0 && s.ticks.samplesUntilTick != 0) {
        const uint32_t k = std::min(frames, s.ticks.samplesUntilTick);
        s.ticks.samplesUntilTick -= k;
        platform::SoundBuffer::Regions regions;
        if (s.buffer.lost() && restartBuffer(s) != ErrorCode::ok)
            return ErrorCode::ok;
        if (const int result = s.buffer.lock(s.writePosition, k * s.bytesPerFrame, regions);
            result != platform::waveResult::ok)
            return soundBufferError(result);
        ErrorCode error = mixSharedMixer(regions.firstBytes / s.bytesPerFrame, regions.first);
        if (error == ErrorCode::ok && regions.second)
            error = mixSharedMixer(regions.secondBytes / s.bytesPerFrame, regions.second);
        s.writePosition = (s.writePosition + regions.firstBytes + regions.secondBytes) % s.bufferSize;
        s.buffer.unlock(regions);
        if (error != ErrorCode::ok)
            return error;
        frames -= k;
    }
    callPlayer = s.ticks.reloadIfDue();
    return ErrorCode::ok;
}

SoundDevice makeDirectSoundDevice()
{
    SoundDevice device;
    device.outputModes = outputMono | outputStereo | output8Bit | output16Bit;
    device.name = "DirectSound Sound Device 1.10";
    SoundDeviceOperations& ops = device.operations;
    installMixerOperations(ops);
    device.context = &sharedMixer();
    ops.detect = detectDirectSound;
    ops.open = openDirectSound;
    ops.close = closeDirectSound;
    ops.suspend = suspendDirectSound;
    ops.resume = resumeDirectSound;
    ops.getOutputMode = [](void*, uint32_t& mode) {
        mode = directSoundDeviceState().mode;
        return ErrorCode::ok;
    };
    ops.setUpdateRate = [](void*, uint32_t centiHertz) {
        DirectSoundDeviceState& s = directSoundDeviceState();
        s.ticks.setUpdateRate(s.mixingRate, centiHertz);
        return ErrorCode::ok;
    };
    ops.startPass = startDirectSoundPass;
    ops.serviceStep = serviceDirectSound;
    ops.getOutputProgress = [](void* context, uint64_t& framesMixed, uint32_t& framesQueued) {
        DirectSoundDeviceState& s = directSoundDeviceState();
        std::lock_guard guard(s.lock);
        framesMixed = static_cast<Mixer*>(context)->framesMixed();
        framesQueued = 0;
        uint32_t play = 0, write = 0;
        if (s.suspended || s.bufferSize == 0 || s.buffer.positions(play, write) != platform::waveResult::ok)
            return ErrorCode::ok;
        // Written ahead of the card, and what the card has read but not played.
        const uint32_t ahead = (s.writePosition + s.bufferSize - play % s.bufferSize) % s.bufferSize;
        framesQueued = ahead / s.bytesPerFrame + s.buffer.unheardFramesBeforePlay();
        return ErrorCode::ok;
    };
    return device;
}

}  // namespace

uint32_t directSoundBufferBytes(uint32_t bytesPerFrame, uint32_t rate, int32_t ms)
{
    if (ms <= 0)
        return 0;
    const uint64_t bytes = uint64_t{bytesPerFrame} * rate * static_cast<uint64_t>(ms) / 1000 + 15;
    return static_cast<uint32_t>(std::min<uint64_t>(bytes, UINT32_MAX) & ~uint64_t{15});
}

uint32_t directSoundFreeBytes(uint32_t play, uint32_t write, uint32_t size, uint32_t gap)
{
    uint32_t bytes = play - write;
    if (play < write)
        bytes += size;
    return bytes > gap ? bytes - gap : 0;
}

ErrorCode soundBufferError(int result)
{
    switch (result) {
    case platform::waveResult::ok: return ErrorCode::ok;
    case platform::waveResult::badDeviceId: return ErrorCode::deviceNotAvailable;
    case platform::waveResult::allocated: return ErrorCode::deviceBusy;
    case platform::waveResult::noMemory: return ErrorCode::outOfMemory;
    case platform::waveResult::invalidParameter: return ErrorCode::invalidArguments;
    case platform::waveResult::badFormat: return ErrorCode::unsupportedOutputMode;
    default: return ErrorCode::undefined;
    }
}

DirectSoundDeviceState& directSoundDeviceState()
{
    static DirectSoundDeviceState state;
    return state;
}

SoundDevice& directSoundDevice()
{
    static SoundDevice device = makeDirectSoundDevice();
    return device;
}

}  // namespace corvid
